#!/usr/bin/env python3
"""Reads back what Windows reads from a program's file: exe_resources.py EXE --objdump OBJDUMP.

The resource tree of the PE file (the Microsoft PE/COFF layout) must hold a
manifest asking for no elevation, aware of each monitor's DPI and naming the
supported systems; a version resource naming the file; an icon. The program
may import only DLLs every Windows has. Exit 0 when all hold.
"""
import os
import re
import struct
import subprocess
import sys

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # Windows 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # Windows 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # Windows 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # Windows 10 and 11
}
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ws2_32.dll",
               "iphlpapi.dll", "msvcrt.dll", "ole32.dll", "comdlg32.dll", "imm32.dll", "bcrypt.dll", "crypt32.dll",
               "version.dll", "shlwapi.dll", "winmm.dll", "comctl32.dll"}


def resources(image):
    """{type: [data, ...]} of the file's resource tree."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        raise SystemExit("not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    if struct.unpack_from("<H", image, optional)[0] != 0x20B:
        raise SystemExit("not a 64-bit program")
    rsrc_rva, _ = struct.unpack_from("<II", image, optional + 112 + 2 * 8)
    table = optional + optional_size
    if rsrc_rva == 0:
        return {}
    spans = [struct.unpack_from("<8xIIII", image, table + 40 * i) for i in range(sections)]

    def offset(rva):
        for vsize, vaddr, raw_size, raw in spans:
            if vaddr <= rva < vaddr + max(vsize, raw_size):
                return raw + rva - vaddr
        raise SystemExit("an address outside every section")

    base = offset(rsrc_rva)

    def entries(at):
        named, ids = struct.unpack_from("<12xHH", image, base + at)
        for i in range(named + ids):
            key, child = struct.unpack_from("<II", image, base + at + 16 + 8 * i)
            yield key, child

    found = {}
    for kind, names in entries(0):
        for _, languages in entries(names & 0x7FFFFFFF):
            for _, leaf in entries(languages & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", image, base + leaf)
                found.setdefault(kind, []).append(image[offset(rva):offset(rva) + size])
    return found


def main():
    exe = sys.argv[1]
    objdump = sys.argv[sys.argv.index("--objdump") + 1]
    image = open(exe, "rb").read()
    found = resources(image)
    faults = []
    manifest = found.get(RT_MANIFEST, [b""])[0].decode("utf-8", "replace")
    if not re.search(r'requestedExecutionLevel\s+level="asInvoker"', manifest):
        faults.append("the manifest does not ask to run as the invoker")
    if "PerMonitorV2" not in manifest or "true/pm" not in manifest:
        faults.append("the manifest is not aware of each monitor's DPI")
    if set(re.findall(r'supportedOS Id="([^"]+)"', manifest)) != SUPPORTED_OS:
        faults.append("the manifest does not name the supported systems")
    version = found.get(RT_VERSION, [b""])[0]
    text = version.decode("utf-16-le", "replace")
    name = os.path.basename(exe)
    if struct.pack("<I", 0xFEEF04BD) not in version or f"OriginalFilename\0{name}" not in text.replace("\0\0", "\0"):
        faults.append("no version resource naming " + name)
    if not found.get(RT_GROUP_ICON) or not found.get(RT_ICON):
        faults.append("no icon")
    listing = subprocess.run([objdump, "-p", exe], capture_output=True, text=True, check=True).stdout
    for dll in re.findall(r"DLL Name: (\S+)", listing):
        if dll.lower() not in SYSTEM_DLLS:
            faults.append("imports " + dll + ", which would have to lie beside it")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
