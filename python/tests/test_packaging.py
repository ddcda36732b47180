"""The package as a user gets it: pip-installed into a fresh virtual environment without a
package index, installed by cmake --install beside the libraries, and the example script."""

from __future__ import annotations

import csv
import os
import subprocess
import sys
from pathlib import Path

import pytest

PYTHON_DIR = Path(__file__).resolve().parent.parent
LIBRARY_DIR = os.environ.get("QMS6093_LIBRARY", "")

# Reads a simulated thermocouple through whichever qms6093 the interpreter imports.
PROBE = """
import qms6093
with qms6093.sim.plug(board_id=7, serial="PY-PROBE", noise_uv=0.0,
                      channels=[{"thermocouple": "J", "temp_c": 300.0}]) as module:
    with qms6093.open(module.device_number) as dev:
        print(qms6093.__file__)
        print(round(dev.temperature(0, "J"), 0))
"""


def run(args, env_changes, **kwargs):
    """Runs a program with the environment less the package's own variables, changed by
    `env_changes` (None removes a variable)."""
    env = {k: v for k, v in os.environ.items() if k not in ("PYTHONPATH", "QMS6093_LIBRARY")}
    env.update(env_changes)
    env = {k: v for k, v in env.items() if v is not None}
    return subprocess.run(args, env=env, capture_output=True, text=True, timeout=120, **kwargs)


def test_pip_installs_the_package_into_a_fresh_venv_without_an_index(tmp_path):
    environment = tmp_path / "venv"
    created = run([sys.executable, "-m", "venv", str(environment)], {"LD_PRELOAD": None})
    assert created.returncode == 0, created.stderr
    python = str(environment / "bin" / "python")
    installed = run([python, "-m", "pip", "install", "--no-index", str(PYTHON_DIR)],
                    {"PIP_NO_INDEX": "1", "PIP_FIND_LINKS": None, "LD_PRELOAD": None}, cwd=tmp_path)
    assert installed.returncode == 0, installed.stdout + installed.stderr
    probe = run([python, "-c", PROBE], {"QMS6093_LIBRARY": LIBRARY_DIR}, cwd=tmp_path)
    assert probe.returncode == 0, probe.stderr
    where, temperature = probe.stdout.split()
    assert where.startswith(str(environment)) and float(temperature) == 300.0
    version = "import importlib.metadata as m, qms6093; print(m.version('qms6093') == qms6093.__version__)"
    assert run([python, "-c", version], {}, cwd=tmp_path).stdout.strip() == "True"


@pytest.mark.skipif("QMS_TEST_BUILD_DIR" not in os.environ, reason="needs the build tree (run by ctest)")
def test_cmake_install_puts_the_package_where_it_finds_the_libraries(tmp_path):
    prefix = tmp_path / "prefix"
    # cmake itself runs without the sanitizer runtime that the tests may preload.
    installed = run([os.environ["QMS_TEST_CMAKE"], "--install", os.environ["QMS_TEST_BUILD_DIR"],
                     "--prefix", str(prefix)], {"LD_PRELOAD": None})
    assert installed.returncode == 0, installed.stderr
    packages = list(prefix.glob("lib*/python/qms6093/__init__.py"))
    assert len(packages) == 1
    site = packages[0].parent.parent
    probe = run([sys.executable, "-c", PROBE], {"PYTHONPATH": str(site)}, cwd=tmp_path)
    assert probe.returncode == 0, probe.stderr
    assert probe.stdout.split() == [str(packages[0]), "300.0"]


def test_a_library_that_is_not_there_is_named_with_the_remedy(tmp_path):
    probe = run([sys.executable, "-c", "import qms6093; qms6093.tc_temp(1.0)"],
                {"PYTHONPATH": str(PYTHON_DIR), "QMS6093_LIBRARY": str(tmp_path)}, cwd=tmp_path)
    assert probe.returncode != 0
    assert "LibraryNotFound" in probe.stderr and f"QMS6093_LIBRARY names the folder {tmp_path}" in probe.stderr


def test_the_example_logs_eight_thermocouples_to_csv(tmp_path):
    output = tmp_path / "run.csv"
    script = PYTHON_DIR / "examples" / "log_thermocouples.py"
    logged = run([sys.executable, str(script), "--sim", "--count", "3", "--interval", "0",
                  "--types", "K", "--output", str(output)],
                 {"PYTHONPATH": str(PYTHON_DIR), "QMS6093_LIBRARY": LIBRARY_DIR, "QMS_REGISTRY": ":memory:"},
                 cwd=tmp_path)
    assert logged.returncode == 0, logged.stderr
    rows = list(csv.DictReader(output.open(newline="")))
    assert len(rows) == 3 * 8
    assert [int(r["channel"]) for r in rows[:8]] == list(range(8))
    for row in rows:
        expected = 21.0 + 25.0 * int(row["channel"])
        assert (row["range"], row["unit"], row["burnout"]) == ("K", "°C", "0")
        assert abs(float(row["value"]) - expected) < 0.5
    assert "3 samples" in logged.stderr


# Runs the examples of the README's Python section as doctests.
TOUR = """
import doctest, sys
text = open(sys.argv[1], encoding="utf-8").read()
section = text.split("\\n## Python\\n", 1)[1].split("\\n## ", 1)[0]
# A code fence ends an example's expected output.
section = "\\n".join("" if line.startswith("```") else line for line in section.split("\\n"))
test = doctest.DocTestParser().get_doctest(section, {}, "README Python", sys.argv[1], 0)
runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS)
runner.run(test)
sys.exit(1 if runner.failures or not runner.tries else 0)
"""


def test_the_readme_tour_runs_as_shown(tmp_path):
    env = {"PYTHONPATH": str(PYTHON_DIR), "QMS6093_LIBRARY": LIBRARY_DIR, "QMS_REGISTRY": ":memory:",
           "XDG_STATE_HOME": str(tmp_path / "state")}
    tour = run([sys.executable, "-c", TOUR, str(PYTHON_DIR.parent / "README.md")],
               {**env, "QMS_SIM": None}, cwd=tmp_path)
    assert tour.returncode == 0, tour.stdout + tour.stderr
