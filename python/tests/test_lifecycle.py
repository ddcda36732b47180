"""Opening and closing: a closed device frees its record, nothing grows over many cycles, and
the removal of the module reaches a waiting script."""

from __future__ import annotations

import gc
import os
import threading
from ctypes import byref, c_uint16

import pytest

import qms6093

NULL_HANDLE = 3


def handle_works(capi, handle):
    value = c_uint16()
    return capi.DioReadPortByte(handle, 0, byref(value)) != NULL_HANDLE


def process_resources():
    """Open descriptors, threads and resident memory in bytes of this process."""
    fds = len(os.listdir("/proc/self/fd"))
    threads = len(os.listdir("/proc/self/task"))
    with open("/proc/self/statm") as statm:
        rss = int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")
    return fds, threads, rss


def test_context_manager_frees_the_record_and_a_reopen_works(plug, capi):
    plugged = plug(di=0x42)
    with qms6093.open(plugged.number) as dev:
        handle = dev._handle.value
        assert handle_works(capi, handle)
    assert dev.closed
    # The library answers a released handle with 3: the record is gone, not just unused.
    assert not handle_works(capi, handle)
    with pytest.raises(ValueError, match="closed"):
        dev.di()
    dev.close()  # a second close is harmless
    with qms6093.open(plugged.number) as again:
        assert again.di() == 0x42


def test_record_is_freed_when_the_last_of_two_opens_closes(plug, capi):
    plugged = plug()
    first = qms6093.open(plugged.number)
    with qms6093.open(plugged.number) as second:
        assert second._handle.value == first._handle.value
    assert handle_works(capi, first._handle.value)
    handle = first._handle.value
    first.close()
    assert not handle_works(capi, handle)


def test_a_device_nobody_closed_is_closed_when_it_is_collected(plug, capi):
    plugged = plug()
    dev = qms6093.open(plugged.number)
    handle = dev._handle.value
    del dev
    gc.collect()
    assert not handle_works(capi, handle)


def test_ten_thousand_open_close_cycles_leak_nothing(plug, capi):
    plugged = plug()
    cycles = int(os.environ.get("QMS_PY_CYCLES", "10000"))
    warm_up = cycles // 10

    def cycle(count):
        for _ in range(count):
            with qms6093.open(plugged.number) as dev:
                handle = dev._handle.value
            assert not handle_works(capi, handle), "a record outlived its close"

    cycle(warm_up)
    gc.collect()
    before = process_resources()
    cycle(cycles - warm_up)
    gc.collect()
    after = process_resources()
    assert after[:2] == before[:2], "descriptors or threads grew"
    if not os.environ.get("QMS_TEST_SANITIZED"):
        # A record, its stream handle and events are well over 100 bytes: 9,000 of them are
        # megabytes. The allocator may keep a little more for itself. (A sanitizer's
        # quarantine keeps freed memory resident on purpose.)
        growth = after[2] - before[2]
        assert growth < 512 * 1024, f"resident memory grew by {growth} bytes"


def test_wait_removed_returns_when_the_module_is_unplugged(plug):
    plugged = plug()
    with qms6093.open(plugged.number) as dev:
        assert dev.wait_removed(timeout=0) is False
        waiting = threading.Event()
        result = []

        def wait():
            waiting.set()
            result.append(dev.wait_removed(timeout=30))

        waiter = threading.Thread(target=wait)
        waiter.start()
        waiting.wait()
        plugged.module.unplug()
        waiter.join(timeout=30)
        assert result == [True]
        with pytest.raises(qms6093.QmsError) as error:
            dev.di()
    assert error.value.code >= 4096 * (plugged.number + 1)


def test_closing_the_device_ends_a_wait_in_another_thread(plug):
    plugged = plug()
    dev = qms6093.open(plugged.number)
    outcome = []

    def wait():
        try:
            dev.wait_removed()
        except ValueError as error:
            outcome.append(str(error))

    waiter = threading.Thread(target=wait)
    waiter.start()
    # The last close wakes every waiter in the library before it returns.
    dev.close()
    waiter.join(timeout=30)
    assert not waiter.is_alive()
    assert outcome == [f"device {plugged.number} is closed"]
