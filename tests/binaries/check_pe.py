#!/usr/bin/env python3
"""Reads a built Windows program's PE header back and checks what a desktop
needs of it: the machine it is for, the Windows version it is marked for, and
the DLLs it imports (system DLLs only, the same list for each architecture).

  check_pe.py EXE --machine i386|x86-64 [--subsystem 6.1]
              [--imports A.dll,B.dll,...] [--imports-within A.dll,...]

Prints what it read (in objdump -f's words, and the import list) and exits
non-zero, naming each difference, when the program is not as expected."""

import argparse
import struct
import sys

MACHINES = {0x014C: "i386", 0x8664: "x86-64"}


class PeImage:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        if self.data[:2] != b"MZ":
            raise ValueError(f"{path}: no MZ header")
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise ValueError(f"{path}: no PE signature")
        coff = pe + 4
        machine, sections, _, _, _, optional_size, self.characteristics = struct.unpack_from(
            "<HHIIIHH", self.data, coff)
        self.machine = MACHINES.get(machine, hex(machine))
        opt = coff + 20
        self.magic = struct.unpack_from("<H", self.data, opt)[0]
        if self.magic not in (0x10B, 0x20B):
            raise ValueError(f"{path}: unknown optional header {self.magic:#x}")
        self.pe32plus = self.magic == 0x20B
        self.os_version = struct.unpack_from("<HH", self.data, opt + 40)
        self.subsystem_version = struct.unpack_from("<HH", self.data, opt + 48)
        self.subsystem = struct.unpack_from("<H", self.data, opt + 68)[0]
        directories = opt + (112 if self.pe32plus else 96)
        count = struct.unpack_from("<I", self.data, directories - 4)[0]
        self.directories = [struct.unpack_from("<II", self.data, directories + 8 * i)
                            for i in range(count)]
        self.sections = []
        table = opt + optional_size
        for i in range(sections):
            name, vsize, va, rawsize, rawptr = struct.unpack_from("<8sIIII", self.data, table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode(), va, max(vsize, rawsize), rawptr))

    def offset(self, rva):
        for _, va, size, raw in self.sections:
            if va <= rva < va + size:
                return raw + rva - va
        raise ValueError(f"RVA {rva:#x} outside every section")

    def text_at(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def imported_dlls(self, directory=1, entry_size=20, name_field=12):
        """The DLL names of the import table (directory 1) or of the
        delay-load table (directory 13, 32-byte entries, name at 4)."""
        if len(self.directories) <= directory or self.directories[directory][0] == 0:
            return []
        at = self.offset(self.directories[directory][0])
        names = []
        while True:
            entry = self.data[at:at + entry_size]
            if entry == b"\0" * entry_size:
                return names
            names.append(self.text_at(struct.unpack_from("<I", entry, name_field)[0]))
            at += entry_size

    def delay_loaded_dlls(self):
        return self.imported_dlls(directory=13, entry_size=32, name_field=4)


def dll_list(text):
    return sorted({name.strip() for name in text.split(",") if name.strip()}, key=str.lower)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("exe")
    parser.add_argument("--machine", required=True, choices=sorted(MACHINES.values()))
    parser.add_argument("--subsystem", default="6.1")
    parser.add_argument("--imports", help="exactly these DLLs, no others")
    parser.add_argument("--imports-within", help="only DLLs of this list")
    args = parser.parse_args()

    image = PeImage(args.exe)
    imports = image.imported_dlls()
    delayed = image.delay_loaded_dlls()
    print(f"{args.exe}:     file format {'pei-x86-64' if image.pe32plus else 'pei-i386'}")
    print(f"architecture: {image.machine}, flags {image.characteristics:#010x}")
    print(f"subsystem {image.subsystem} version {image.subsystem_version[0]}.{image.subsystem_version[1]},"
          f" OS version {image.os_version[0]}.{image.os_version[1]}")
    print("imports:", " ".join(imports))
    if delayed:
        print("delay-loaded:", " ".join(delayed))

    faults = []
    if image.machine != args.machine:
        faults.append(f"machine {image.machine}, not {args.machine}")
    if (image.pe32plus) != (args.machine == "x86-64"):
        faults.append("optional header does not match the machine")
    wanted = tuple(int(part) for part in args.subsystem.split("."))
    for what, version in (("subsystem", image.subsystem_version), ("OS", image.os_version)):
        if version != wanted:
            faults.append(f"{what} version {version[0]}.{version[1]}, not {args.subsystem}")
    found = {name.lower() for name in imports + delayed}
    if args.imports is not None:
        expected = {name.lower() for name in dll_list(args.imports)}
        for name in sorted(expected - found):
            faults.append(f"does not import {name}")
        for name in sorted(found - expected):
            faults.append(f"imports {name}, which is not in the expected list")
    if args.imports_within is not None:
        allowed = {name.lower() for name in dll_list(args.imports_within)}
        for name in sorted(found - allowed):
            faults.append(f"imports {name}, which is no system DLL of the list")
    for fault in faults:
        print(f"FAULT: {args.exe}: {fault}", file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
