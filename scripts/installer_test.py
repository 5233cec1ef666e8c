#!/usr/bin/env python3
"""The installer's whole life under Wine, in a Wine prefix of its own (never the test suite's):
install, run, upgrade, uninstall. Run by scripts/installer-test.sh, which sets WINEPREFIX, the
display and the packages' paths. Prints GoogleTest-style lines, so that scripts/test.sh counts its
checks like the other suites'.

The running monitor is started with `wine`, whose Linux process is the Windows process itself:
whether it has ended is whether that process has ended.
"""
import getpass
import hashlib
import os
import re
import select
import struct
import subprocess
import sys
import tempfile
import time
import zipfile
from pathlib import Path

PREFIX = Path(os.environ["WINEPREFIX"])
WORK = Path(os.environ["QV_INSTALLER_WORK"])
MSI = Path(os.environ["QV_MSI"])
ZIP = Path(os.environ["QV_ZIP"])
NEXT_MSI = Path(os.environ["QV_NEXT_MSI"])
BIN = Path(os.environ["QV_WIN_BIN"])
NEXT_BIN = BIN / "next"
ROOT = Path(__file__).resolve().parent.parent

INSTALL_DIR = PREFIX / "drive_c" / "Program Files" / "Quorvel"
INSTALLED_EXE = r"C:\Program Files\Quorvel\quorvel.exe"
SHIPPED = ["LICENSE.txt", "README.txt", "quorvel.exe", "zelmor-mcp.exe"]
TASKS_DIR = PREFIX / "drive_c" / "windows" / "system32" / "tasks"
USER_DATA = PREFIX / "drive_c" / "users" / getpass.getuser() / "AppData" / "Local"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
PRODUCTS_KEY = r"HKLM\Software\Classes\Installer\Products"

INITIALIZE = ('{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":"2025-06-18",'
              '"capabilities":{},"clientInfo":{"name":"installer-test","version":"1"}}}\n')

failures = 0
ran = 0


def check(name, problems, started, info=()):
    """Reports one check; `problems` lists what was wrong (empty: passed), `info` what was read."""
    global failures, ran
    ran += 1
    ms = int((time.monotonic() - started) * 1000)
    print(f"[ RUN      ] Installer.{name}")
    for line in info:
        print(f"  {line}")
    for p in problems:
        print(f"  {p}")
    if problems:
        failures += 1
        print(f"[  FAILED  ] Installer.{name} ({ms} ms)")
    else:
        print(f"[       OK ] Installer.{name} ({ms} ms)")
    sys.stdout.flush()
    return not problems


def finish():
    print(f"[==========] {ran} tests from 1 test suite ran.")
    print(f"[  PASSED  ] {ran - failures} tests.")
    sys.exit(1 if failures else 0)


def wine(*args, timeout=180, input=None):
    """Runs a program under Wine; its outputs go through files, not pipes: a service that Wine
    starts on the way inherits them and holds a pipe open long after the program ended."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        r = subprocess.run(["wine", *args], stdout=out, stderr=err, timeout=timeout,
                           input=input.encode() if input is not None else None)
        out.seek(0)
        err.seek(0)
        return subprocess.CompletedProcess(r.args, r.returncode, out.read().decode("utf-8", "replace"),
                                           err.read().decode("utf-8", "replace"))


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def wait_until(condition, seconds):
    """Polls `condition` until it holds or `seconds` pass; returns whether it held."""
    end = time.monotonic() + seconds
    while True:
        if condition():
            return True
        if time.monotonic() >= end:
            return False
        time.sleep(0.2)


def reg_entries(key):
    """Every subkey under `key` with its values, read back with Wine's own reg tool."""
    out = wine("reg", "query", key, "/s").stdout
    entries, current = {}, None
    for line in out.splitlines():
        line = line.rstrip("\r")
        if line.startswith("HKEY_"):
            current = entries.setdefault(line, {})
        elif current is not None and line.startswith("    "):
            parts = re.split(r" {4}", line.strip(), maxsplit=2)
            if len(parts) >= 2:
                current[parts[0]] = parts[2] if len(parts) == 3 else ""
    return entries


def quorvel_uninstall_entries():
    return {k: v for k, v in reg_entries(UNINSTALL_KEY).items() if v.get("DisplayName") == "Quorvel"}


def quorvel_product_registrations():
    return {k: v for k, v in reg_entries(PRODUCTS_KEY).items() if v.get("ProductName") == "Quorvel"}


def version_resource(path):
    """(file version, product version) of the fixed block and the FileVersion and ProductVersion
    strings of an executable's version resource, as dotted texts."""
    data = path.read_bytes()
    i = data.find(struct.pack("<I", 0xFEEF04BD))
    if i < 0:
        return None
    _, _, fms, fls, pms, pls = struct.unpack_from("<6I", data, i)
    fixed_file = f"{fms >> 16}.{fms & 0xFFFF}.{fls >> 16}.{fls & 0xFFFF}"
    fixed_product = f"{pms >> 16}.{pms & 0xFFFF}.{pls >> 16}.{pls & 0xFFFF}"

    def string_value(key):
        k = (key + "\0").encode("utf-16-le")
        j = data.find(k)
        if j < 0:
            return None
        j += len(k)
        while data[j:j + 2] == b"\0\0":  # padding to the value's 32-bit boundary
            j += 2
        end = j
        while data[end:end + 2] != b"\0\0":
            end += 2
        return data[j:end].decode("utf-16-le")

    return fixed_file, fixed_product, string_value("FileVersion"), string_value("ProductVersion")


def msi_rows(msi, table):
    """The rows of one table of a package, as read by msiinfo (the first three lines are its header)."""
    out = subprocess.run(["msiinfo", "export", str(msi), table], capture_output=True, text=True).stdout
    return [line.rstrip("\r").split("\t") for line in out.splitlines()[3:]]


def msi_property(msi, name):
    for cols in msi_rows(msi, "Property"):
        if len(cols) == 2 and cols[0] == name:
            return cols[1]
    return None


def sha256(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()


def start_menu_shortcuts():
    found = []
    for base in (PREFIX / "drive_c" / "users", PREFIX / "drive_c" / "ProgramData"):
        if base.is_dir():
            found += [p for p in base.rglob("Quorvel.lnk") if "Start Menu" in str(p)]
    return found


def start_installed_monitor():
    return subprocess.Popen(["wine", INSTALLED_EXE], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def snapshot_answered(seconds):
    """Asks the pipe for a snapshot until one comes back (zqpipe itself waits 10 s for the pipe)."""
    zqpipe = str(BIN / "tools" / "zqpipe.exe")
    replies = []

    def answered():
        r = wine(zqpipe, "snapshot", timeout=30)
        replies.append(r.stdout.strip()[:200])
        return '"cpu_pct":' in r.stdout

    ok = wait_until(answered, seconds)
    return ok, replies[-1] if replies else ""


def store_task(name):
    """A task in the prefix's Task Scheduler that starts the installed monitor. Wine's schtasks
    stores nothing for /SC ONLOGON (what `quorvel.exe --install` asks for); it does store a task
    given as XML."""
    xml = WORK / f"task-{name}.xml"
    text = ('<?xml version="1.0" encoding="UTF-16"?>\n'
            '<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">\n'
            '  <Settings><Enabled>true</Enabled></Settings>\n'
            f'  <Actions Context="Author"><Exec><Command>"{INSTALLED_EXE}"</Command></Exec></Actions>\n'
            '</Task>\n')
    xml.write_bytes(text.encode("utf-16"))
    return wine("schtasks", "/Create", "/F", "/TN", name, "/XML", windows_path(xml)).returncode


def version_key(text):
    return tuple(int(part) for part in text.split("."))


def project_version():
    text = (ROOT / "CMakeLists.txt").read_text()
    m = re.search(r"project\(quorvel VERSION (\d+\.\d+\.\d+)", text)
    return m.group(1) if m else None


def main():
    version = project_version()
    next_version = msi_property(NEXT_MSI, "ProductVersion")

    t = time.monotonic()
    problems = []
    if MSI.name != f"quorvel-{version}-x64.msi" or ZIP.name != f"quorvel-{version}-x64.zip":
        problems.append(f"package names {MSI.name}, {ZIP.name} do not carry the project version {version}")
    if msi_property(MSI, "ProductVersion") != version:
        problems.append(f"MSI ProductVersion {msi_property(MSI, 'ProductVersion')} != project version {version}")
    for exe in ("quorvel.exe", "zelmor-mcp.exe"):
        got = version_resource(BIN / exe)
        want = (f"{version}.0", f"{version}.0", version, version)
        if got != want:
            problems.append(f"{exe} version resource {got}, expected {want}")
    check("OneVersionInPackageNamesMsiAndBothExecutables", problems, t)

    t = time.monotonic()
    problems = []
    with zipfile.ZipFile(ZIP) as z:
        names = sorted(z.namelist())
        if names != SHIPPED:
            problems.append(f"zip holds {names}, expected {SHIPPED}")
        elif z.read("quorvel.exe") != (BIN / "quorvel.exe").read_bytes():
            problems.append("the zip's quorvel.exe is not the built one")
    check("ZipHoldsTheTwoExecutablesLicenceAndReadme", problems, t)

    t = time.monotonic()
    problems = []
    if msi_property(MSI, "UpgradeCode") != msi_property(NEXT_MSI, "UpgradeCode"):
        problems.append("the two packages' UpgradeCodes differ")
    if msi_property(MSI, "ProductCode") == msi_property(NEXT_MSI, "ProductCode"):
        problems.append("the two versions share one ProductCode")
    if next_version is None or version_key(next_version) <= version_key(version):
        problems.append(f"the upgrade package's version {next_version} is not newer than {version}")
    check("UpgradePackageKeepsUpgradeCodeWithNewProductCode", problems, t)

    # Install.
    t = time.monotonic()
    r = wine("msiexec", "/i", windows_path(MSI), "/qn")
    problems = [] if r.returncode == 0 else [f"msiexec /i exited {r.returncode}: {r.stdout}{r.stderr}"]
    present = sorted(p.name for p in INSTALL_DIR.iterdir()) if INSTALL_DIR.is_dir() else []
    if present != SHIPPED:
        problems.append(f"{INSTALL_DIR} holds {present}, expected {SHIPPED}")
    elif (INSTALL_DIR / "quorvel.exe").read_bytes() != (BIN / "quorvel.exe").read_bytes():
        problems.append("the installed quorvel.exe is not the built one")
    shortcuts = start_menu_shortcuts()
    if len(shortcuts) != 1:
        problems.append(f"Start-menu shortcuts named Quorvel: {shortcuts}")
    elif "Program Files\\Quorvel\\quorvel.exe".encode("utf-16-le") not in shortcuts[0].read_bytes() and \
            b"Program Files\\Quorvel\\quorvel.exe" not in shortcuts[0].read_bytes():
        problems.append(f"{shortcuts[0]} does not lead to {INSTALLED_EXE}")
    if not check("InstallPutsFilesAndShortcutInPlace", problems, t):
        finish()

    t = time.monotonic()
    problems, info = [], []
    entries = quorvel_uninstall_entries()
    if len(entries) != 1:
        problems.append(f"{len(entries)} uninstall entries named Quorvel: {entries}")
    else:
        (key, values), = entries.items()
        info.append(key)
        info += [f"  {name} = {values[name]}" for name in sorted(values) if values[name]]
        want = {"DisplayVersion": version, "Publisher": "Quorvel",
                "InstallLocation": "C:\\Program Files\\Quorvel\\"}
        for name, value in want.items():
            if values.get(name) != value:
                problems.append(f"{name} is {values.get(name)!r}, expected {value!r}")
    # The icon that Add/Remove Programs shows: Wine keeps it with the product's registration.
    products = quorvel_product_registrations()
    for key, values in products.items():
        info.append(key)
        info += [f"  {name} = {values.get(name)}" for name in ("ProductName", "ProductIcon")]
    if len(products) != 1:
        problems.append(f"{len(products)} per-machine product registrations named Quorvel")
    elif not next(iter(products.values())).get("ProductIcon", "").lower().endswith("quorvel.ico"):
        problems.append("no product icon registered")
    check("InstallRegistersOneUninstallEntry", problems, t, info)

    # The installed monitor runs and serves the pipe. Its user data is set up first, to be checked
    # byte for byte after the uninstall.
    USER_DATA.mkdir(parents=True, exist_ok=True)
    (USER_DATA / "zelmor.ini").write_bytes(b"interval_ms=1000\r\nlog1=cpu>99; cooldown=0\r\n")
    (USER_DATA / "zelmor-agents.log").write_bytes(b"[2026-12-08 10:00:00] kept\n")
    t = time.monotonic()
    monitor = start_installed_monitor()
    ok, reply = snapshot_answered(60)
    check("InstalledMonitorAnswersSnapshot", [] if ok else [f"no snapshot within 60 s; last reply: {reply!r}"], t)

    # The AI tool starts the companion by the path the connect command names, spaces and all.
    t = time.monotonic()
    r = wine(r"C:\Program Files\Quorvel\zelmor-mcp.exe", input=INITIALIZE, timeout=60)
    want = f'"serverInfo":{{"name":"quorvel","version":"{version}"}}'
    check("InstalledCompanionStartsFromPathWithSpaces",
          [] if want in r.stdout else [f"expected {want} in the reply, got {r.stdout[:300]!r} {r.stderr[-300:]!r}"], t)

    # A start-up task, as --install would store it on Windows, and the older name's.
    t = time.monotonic()
    codes = [store_task("Quorvel"), store_task("Zelmor")]
    stored = sorted(p.name for p in TASKS_DIR.iterdir()) if TASKS_DIR.is_dir() else []
    problems = [] if codes == [0, 0] and "Quorvel" in stored and "Zelmor" in stored else \
        [f"schtasks /Create exited {codes}; tasks stored: {stored}"]
    check("StartupTasksStored", problems, t)

    # Upgrade over the running monitor.
    t = time.monotonic()
    r = wine("msiexec", "/i", windows_path(NEXT_MSI), "/qn")
    problems = [] if r.returncode == 0 else [f"msiexec /i (upgrade) exited {r.returncode}: {r.stdout}{r.stderr}"]
    entries = quorvel_uninstall_entries()
    versions = sorted(v.get("DisplayVersion", "") for v in entries.values())
    if versions != [next_version]:
        problems.append(f"uninstall entries after the upgrade: {versions}, expected [{next_version}]")
    for exe in ("quorvel.exe", "zelmor-mcp.exe"):
        installed = INSTALL_DIR / exe
        if not installed.is_file() or installed.read_bytes() != (NEXT_BIN / exe).read_bytes():
            problems.append(f"the installed {exe} is not the upgrade's")
    present = sorted(p.name for p in INSTALL_DIR.iterdir()) if INSTALL_DIR.is_dir() else []
    if present != SHIPPED:
        problems.append(f"{INSTALL_DIR} holds {present} after the upgrade")
    if len(start_menu_shortcuts()) != 1:
        problems.append(f"Start-menu shortcuts after the upgrade: {start_menu_shortcuts()}")
    if not wait_until(lambda: monitor.poll() is not None, 30):
        problems.append("the monitor that ran the old version still runs 30 s after the upgrade")
    if not check("UpgradeReplacesOlderVersionInPlace", problems, t):
        finish()

    # An older package over a newer one: refused, and nothing changes.
    t = time.monotonic()
    r = wine("msiexec", "/i", windows_path(MSI), "/qn")
    problems = [] if r.returncode != 0 else ["msiexec /i of the older package succeeded over the newer one"]
    versions = sorted(v.get("DisplayVersion", "") for v in quorvel_uninstall_entries().values())
    if versions != [next_version]:
        problems.append(f"uninstall entries after the older package: {versions}, expected [{next_version}]")
    if (INSTALL_DIR / "quorvel.exe").read_bytes() != (NEXT_BIN / "quorvel.exe").read_bytes():
        problems.append("the older package replaced quorvel.exe")
    check("OlderPackageRefusedOverNewer", problems, t)

    # Wine's RemoveExistingProducts removes the older version with REMOVE=ALL alone, without the
    # UPGRADINGPRODUCTCODE that Windows passes, so under Wine an upgrade deletes the start-up task
    # that Windows keeps. What decides it is checked in the package instead, and the tasks are
    # stored again for the uninstall.
    t = time.monotonic()
    problems = []
    rows = msi_rows(NEXT_MSI, "InstallExecuteSequence")
    seq = {r[0]: (r[1], int(r[2])) for r in rows if len(r) == 3 and r[2].isdigit()}
    for action, condition in (("EndRunningMonitors", 'REMOVE="ALL"'), ("EndRunningCompanions", 'REMOVE="ALL"'),
                              ("DeleteStartupTask", 'REMOVE="ALL" AND NOT UPGRADINGPRODUCTCODE'),
                              ("DeleteLegacyStartupTask", 'REMOVE="ALL" AND NOT UPGRADINGPRODUCTCODE')):
        if action not in seq or seq[action][0] != condition:
            problems.append(f"{action}: {seq.get(action)}, expected the condition {condition}")
        elif not seq["InstallInitialize"][1] < seq[action][1] < seq["RemoveFiles"][1]:
            problems.append(f"{action} at {seq[action][1]} is not between InstallInitialize and RemoveFiles")
    codes = [store_task("Quorvel"), store_task("Zelmor")]
    if codes != [0, 0]:
        problems.append(f"storing the tasks again: schtasks /Create exited {codes}")
    check("UpgradeKeepsStartupTaskOnWindows", problems, t)

    # Uninstall while the new version runs, and a companion that an AI tool keeps open.
    monitor = start_installed_monitor()
    t = time.monotonic()
    ok, reply = snapshot_answered(60)
    check("UpgradedMonitorAnswersSnapshot", [] if ok else [f"no snapshot within 60 s; last reply: {reply!r}"], t)
    t = time.monotonic()
    companion = subprocess.Popen(["wine", r"C:\Program Files\Quorvel\zelmor-mcp.exe"], stdin=subprocess.PIPE,
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    # Running once it has answered; its input stays open, as an AI tool's does.
    companion.stdin.write(INITIALIZE.encode())
    companion.stdin.flush()
    answered = select.select([companion.stdout], [], [], 30)[0] and b"serverInfo" in companion.stdout.readline()
    check("CompanionRunsBeforeUninstall", [] if answered else ["the companion did not answer within 30 s"], t)
    kept = {p.name: sha256(p) for p in USER_DATA.glob("zelmor*")}
    t = time.monotonic()
    r = wine("msiexec", "/x", windows_path(NEXT_MSI), "/qn")
    problems = [] if r.returncode == 0 else [f"msiexec /x exited {r.returncode}: {r.stdout}{r.stderr}"]
    if not wait_until(lambda: monitor.poll() is not None, 30):
        problems.append("the monitor still runs 30 s after the uninstall")
    if not wait_until(lambda: companion.poll() is not None, 30):
        problems.append("the companion still runs 30 s after the uninstall")
    left = sorted(p.name for p in INSTALL_DIR.iterdir()) if INSTALL_DIR.exists() else []
    if left:
        problems.append(f"left in {INSTALL_DIR}: {left}")
    if start_menu_shortcuts():
        problems.append(f"shortcut left: {start_menu_shortcuts()}")
    if quorvel_uninstall_entries():
        problems.append(f"uninstall entry left: {quorvel_uninstall_entries()}")
    if quorvel_product_registrations():
        problems.append(f"product registration left: {quorvel_product_registrations()}")
    for task in ("Quorvel", "Zelmor"):
        if (TASKS_DIR / task).exists():
            problems.append(f"scheduled task {task} left")
    check("UninstallRemovesFilesShortcutEntryTasksAndMonitor", problems, t)

    t = time.monotonic()
    after = {p.name: sha256(p) for p in USER_DATA.glob("zelmor*")}
    problems = [] if after == kept else [f"user files before {sorted(kept)}, after {sorted(after)}, or changed"]
    if not {"zelmor.ini", "zelmor.log", "zelmor-agents.log"} <= set(kept):
        problems.append(f"expected settings and logs before the uninstall, found {sorted(kept)}")
    check("UninstallKeepsSettingsAndLogsByteForByte", problems, t)
    finish()


if __name__ == "__main__":
    main()
