/*
 * Control API of the simulated USB-6093 modules (libqmssim).
 *
 * A simulated module is a separate firmware model on the platform's USB bus: the stack talks
 * to it exactly as to hardware, through vendor requests on endpoint 0. This API plugs and
 * unplugs such modules, changes their inputs and injected faults while they run, and shows
 * what they saw on the wire and what state they are in. Modules are described by JSON
 * scenarios; sim/README.md lists every key with an example.
 *
 * Every function is thread-safe and reports failure by its return value; the message of the
 * last failure of the calling thread is given by qms_sim_last_error().
 */
#ifndef QMS_SIM_H
#define QMS_SIM_H

#include <stddef.h>

#include "qms_export.h"

QMS_EXTERN_C_BEGIN

/* Plugs a module described by one scenario object (JSON text). Boots the platform first
 * (qms_platform_start), so the stream driver attaches the module before this returns.
 * Returns the module id (> 0), or < 0 when nothing was plugged: -1 for a scenario that is
 * not accepted (the message names the offending field, e.g. "channels[2].temp_c: ..."),
 * -2 when the platform or the USB host stack refused. */
QMS_EXPORT int qms_sim_plug(const char *scenario_json);

/* Unplugs a module: the stack sees it removed. Its non-volatile memory (board number,
 * parameter blocks, EEPROM, CJC offsets, calibration) is kept by its serial number, so a
 * module plugged again with the same serial finds it. Returns 0, or -1 for an unknown id. */
QMS_EXPORT int qms_sim_unplug(int id);

/* Waits until the host stack has finished removing an unplugged module: the driver's removal
 * path has run and its device number is free for the next plug.
 * Returns 0, -1 for an unknown id or a module that was never unplugged, -2 on time-out.
 * (The removal path waits until every handle on the stream device is closed, so a test
 * closes its handles before it waits.) */
QMS_EXPORT int qms_sim_wait_removed(int id, unsigned timeout_ms);

/* Changes a running module's inputs and faults. The patch is a JSON object with any of:
 * terminal_c, cjc_error_c, di, noise_uv, seed, not_ready_polls, cjc_invalid_reads,
 * latency_us, channels (an array whose null entries keep a channel, or an object keyed by
 * channel number), faults (replaces every fault rule), add_faults (appends rules),
 * clear_faults (true). A patch that is not accepted changes nothing. Returns 0, or -1. */
QMS_EXPORT int qms_sim_update(int id, const char *patch_json);

/* The wire log of a module as JSON lines, one request a line, oldest first:
 *   {"seq":1,"setup":"C0 7F 01 00 00 00 04 00","dir":"in","group":127,"command":1,
 *    "length":4,"data":"00 00 00 03","outcome":"completed","bytes":4,"latency_us":0}
 * "data" is the OUT payload or the IN reply as sent; "fault" names an injected fault.
 * Copies what fits into buf (always NUL-terminated when size > 0) and returns the length of
 * the whole text without its NUL, so a caller can size the buffer; -1 for an unknown id. */
QMS_EXPORT long qms_sim_wire_log(int id, char *buf, size_t size);

/* Forgets the wire log of a module. Returns 0, or -1 for an unknown id. */
QMS_EXPORT int qms_sim_clear_wire_log(int id);

/* The module's state as one JSON object: serial, board_number, firmware, converting, scan,
 * host_open, locate, status_word, inputs (terminal_c, cjc_error_c, di, per channel its source,
 * range and burn-out status), do (latched outputs), cjc_offset_code, cjc_reference_code,
 * blocks (0x210, 0x220, 0x230, 0x240), eeprom (words that are set), calibration,
 * saved_calibration, faults (with how many requests each matched), removed.
 * Buffer handling and result as qms_sim_wire_log. */
QMS_EXPORT long qms_sim_state(int id, char *buf, size_t size);

/* The modules plugged through this API or by QMS_SIM, as a JSON array of
 * {"id":..,"serial":..,"address":..}. Buffer handling and result as qms_sim_wire_log. */
QMS_EXPORT long qms_sim_list(char *buf, size_t size);

/* Message of the calling thread's last failure ("" when there was none). */
QMS_EXPORT const char *qms_sim_last_error(void);

/* Called by the platform when it boots: plugs the modules of QMS_SIM (JSON text, "@path" of
 * a JSON file, one scenario object or an array of them; NULL: the built-in demo module, which
 * keeps its memory in $XDG_STATE_HOME/qms6093/demo-module.json or
 * ~/.local/state/qms6093/demo-module.json).
 * Returns how many were plugged, or < 0 (nothing plugged) with qms_sim_last_error() set. */
QMS_EXPORT int qms_sim_boot(const char *qms_sim_env);

/* Called by the platform when it shuts down: unplugs every module and forgets their ids.
 * The non-volatile memory of every serial is kept for the rest of the process. */
QMS_EXPORT void qms_sim_shutdown(void);

QMS_EXTERN_C_END

#endif
