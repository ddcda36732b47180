"""The package's own build backend (PEP 517 and PEP 660), standard library only.

The package is pure Python, so its wheel is a zip of qms6093/ with the metadata beside it.
Building it here needs nothing from a package index: `pip install ./python` works in a fresh
virtual environment on a machine without network, where a setuptools build would first have
to fetch setuptools and wheel into its isolated build environment.
"""

from __future__ import annotations

import base64
import hashlib
import io
import os
import re
import tarfile
import time
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
PACKAGE = "qms6093"
TAG = "py3-none-any"
# Reproducible archives: every entry gets this time (1980-01-01, the zip format's first day).
ZIP_TIME = (1980, 1, 1, 0, 0, 0)


def _project() -> dict:
    text = (ROOT / "pyproject.toml").read_text(encoding="utf-8")
    try:
        import tomllib
    except ImportError:  # before Python 3.11: the few plain fields of [project]
        section = text.split("[project]", 1)[1].split("\n[", 1)[0]
        return dict(re.findall(r'^(\w[\w-]*)\s*=\s*"([^"]*)"', section, re.MULTILINE))
    return tomllib.loads(text)["project"]


def _dist_name(project: dict) -> str:
    return re.sub(r"[-_.]+", "_", project["name"])


def _metadata(project: dict) -> str:
    lines = [
        "Metadata-Version: 2.1",
        f"Name: {project['name']}",
        f"Version: {project['version']}",
    ]
    if "description" in project:
        lines.append(f"Summary: {project['description']}")
    if "requires-python" in project:
        lines.append(f"Requires-Python: {project['requires-python']}")
    return "\n".join(lines) + "\n"


def _wheel_file() -> str:
    return f"Wheel-Version: 1.0\nGenerator: qms_build\nRoot-Is-Purelib: true\nTag: {TAG}\n"


def _package_files() -> list:
    files = []
    for path in sorted((ROOT / PACKAGE).rglob("*")):
        if path.is_file() and "__pycache__" not in path.parts and path.suffix in (".py", ".typed"):
            files.append(path)
    return files


def _record_line(name: str, data: bytes) -> str:
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{name},sha256={digest},{len(data)}"


def _write_wheel(directory: str, entries: list) -> str:
    """Writes a wheel of `entries` (archive name, bytes) plus its dist-info; returns its name."""
    project = _project()
    dist = _dist_name(project)
    info = f"{dist}-{project['version']}.dist-info"
    entries = entries + [
        (f"{info}/METADATA", _metadata(project).encode()),
        (f"{info}/WHEEL", _wheel_file().encode()),
        (f"{info}/top_level.txt", f"{PACKAGE}\n".encode()),
    ]
    record = [_record_line(name, data) for name, data in entries] + [f"{info}/RECORD,,"]
    entries.append((f"{info}/RECORD", ("\n".join(record) + "\n").encode()))
    wheel_name = f"{dist}-{project['version']}-{TAG}.whl"
    with zipfile.ZipFile(Path(directory) / wheel_name, "w", zipfile.ZIP_DEFLATED) as wheel:
        for name, data in entries:
            item = zipfile.ZipInfo(name, ZIP_TIME)
            item.external_attr = 0o644 << 16
            item.compress_type = zipfile.ZIP_DEFLATED
            wheel.writestr(item, data)
    return wheel_name


# ---- PEP 517 ----

def get_requires_for_build_wheel(config_settings=None):
    return []


def get_requires_for_build_sdist(config_settings=None):
    return []


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    entries = [(p.relative_to(ROOT).as_posix(), p.read_bytes()) for p in _package_files()]
    return _write_wheel(wheel_directory, entries)


def build_sdist(sdist_directory, config_settings=None):
    project = _project()
    base = f"{_dist_name(project)}-{project['version']}"
    sources = [ROOT / "pyproject.toml", Path(__file__)] + _package_files()
    name = f"{base}.tar.gz"
    with tarfile.open(Path(sdist_directory) / name, "w:gz", format=tarfile.PAX_FORMAT) as sdist:
        def add(arcname: str, data: bytes) -> None:
            item = tarfile.TarInfo(f"{base}/{arcname}")
            item.size = len(data)
            item.mtime = int(time.mktime(ZIP_TIME + (0, 0, -1)))
            item.mode = 0o644
            sdist.addfile(item, io.BytesIO(data))

        for path in sources:
            add(path.relative_to(ROOT).as_posix(), path.read_bytes())
        add("PKG-INFO", _metadata(project).encode())
    return name


# ---- PEP 660: an editable install points Python at this folder ----

def get_requires_for_build_editable(config_settings=None):
    return []


def build_editable(wheel_directory, config_settings=None, metadata_directory=None):
    pth = f"{os.fspath(ROOT)}\n".encode()
    return _write_wheel(wheel_directory, [(f"__editable__.{PACKAGE}.pth", pth)])
