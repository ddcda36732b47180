"""Shared fixtures: every test plugs simulated modules of its own (own serial, own board
number) into a platform with an in-memory registry, and unplugs them when it ends."""

from __future__ import annotations

import atexit
import itertools
import os
import shutil
import tempfile

# Before the platform boots: no registry on disk and no demo module. An explicit
# environment still wins.
os.environ.setdefault("QMS_REGISTRY", ":memory:")
os.environ.setdefault("QMS_SIM", "none")
# The demo module keeps its memory in the state folder: never the user's.
os.environ["XDG_STATE_HOME"] = tempfile.mkdtemp(prefix="qms-test-state-")
atexit.register(shutil.rmtree, os.environ["XDG_STATE_HOME"], True)

import pytest  # noqa: E402

import qms6093  # noqa: E402

_boards = itertools.count(11)


def quiet_channels(**overrides):
    """Eight channels at 0 V; `overrides` maps "ch3" to a channel object."""
    channels = [{"volts": 0.0} for _ in range(8)]
    for key, value in overrides.items():
        channels[int(key[2:])] = value
    return channels


class Plugged:
    """A plugged module with the device number the stream driver gave it."""

    def __init__(self, module: qms6093.sim.Module) -> None:
        self.module = module
        self.number = module.device_number


@pytest.fixture
def plug(request):
    """plug(**scenario) plugs a module with a board number and serial no other test uses;
    every module is unplugged, and its removal waited for, when the test ends."""
    plugged = []

    def make(**scenario):
        board = next(_boards)
        scenario.setdefault("board_id", board)
        scenario.setdefault("serial", f"PY-{request.node.name[:40]}-{board}")
        scenario.setdefault("noise_uv", 0.0)
        module = qms6093.sim.plug(scenario)
        plugged.append(module)
        return Plugged(module)

    yield make
    for module in plugged:
        try:
            module.unplug()
        except qms6093.sim.SimError:
            pass  # the test unplugged it itself
        # The removal waits for every handle: a test that left one open fails here.
        assert module.wait_removed(10.0), f"{module} was not removed: a handle is still open"


@pytest.fixture
def capi():
    """The C functions themselves, for comparison with what the package makes of them."""
    return qms6093._native.api()
