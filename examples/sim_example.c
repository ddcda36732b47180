/*
 * Plugs a simulated USB-6093 module, shows what it has on its inputs and unplugs it.
 *
 *   sim-example            uses the scenario below
 *   sim-example '<json>'   uses the scenario given
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "qms_platform.h"
#include "qms_sim.h"

static const char *scenario =
    "{\"board_id\": 3, \"terminal_c\": 22.0, \"di\": 129,"
    " \"channels\": [{\"thermocouple\": \"K\", \"temp_c\": 250.0},"
    "                {\"volts\": 1.25}, {\"milliamps\": 12.0}, {\"open\": true}]}";

/* Prints the value of a key of a flat JSON text, e.g. "board_number":3 -> 3. */
static void show(const char *json, const char *key)
{
    char pattern[64];
    snprintf(pattern, sizeof pattern, "\"%s\":", key);
    const char *at = strstr(json, pattern);
    if (!at) {
        printf("  %-18s ?\n", key);
        return;
    }
    at += strlen(pattern);
    printf("  %-18s %.*s\n", key, (int)strcspn(at, ",}"), at);
}

int main(int argc, char **argv)
{
    const int id = qms_sim_plug(argc > 1 ? argv[1] : scenario);
    if (id < 0) {
        fprintf(stderr, "sim-example: %s\n", qms_sim_last_error());
        return 1;
    }

    char list[1024];
    qms_sim_list(list, sizeof list);
    printf("attached modules: %s\n", list);

    const long needed = qms_sim_state(id, NULL, 0);
    char *state = malloc((size_t)needed + 1);
    if (!state)
        return 1;
    qms_sim_state(id, state, (size_t)needed + 1);
    printf("module %d:\n", id);
    show(state, "serial");
    show(state, "board_number");
    show(state, "firmware");
    show(state, "terminal_c");
    show(state, "di");
    show(state, "cjc_offset_code");
    show(state, "converting");
    const char *channels = strstr(state, "\"channels\":[");
    const char *end = channels ? strchr(channels, ']') : NULL;
    if (end)
        printf("  channels          %.*s\n", (int)(end - channels - 10), channels + 11);
    free(state);

    /* The driver opened the module and read its board number at attach: the wire shows it. */
    char log[512];
    qms_sim_wire_log(id, log, sizeof log);
    printf("first request on the wire: %.*s\n", (int)strcspn(log, "\n"), log);

    qms_sim_unplug(id);
    qms_platform_shutdown();
    return 0;
}
