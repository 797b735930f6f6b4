#!/usr/bin/env python3
"""Disassembles the x86 object code of the floating-point control and checks
that the x87 control word is really stored and loaded where the browser
component saves, masks and restores it: a build whose x87 path compiled to
nothing (a compiler without the inline assembler it needs, a condition that
leaves the path out) would leave the control word unsaved on 32-bit Windows,
where the x87 unit does the floating point.

  check_x87.py OBJDUMP OBJECTS

OBJECTS: the browser library's object files, separated by ";"; of them, the
component's unit (WebHostUnit: save at its start, restore at its end) and the
component (WebHost: the mask while the page's floating-point exceptions are
off) are read. Exits non-zero naming each missing instruction."""

import re
import subprocess
import sys


def functions(objdump, obj):
    """Disassembly per function (demangled name -> its lines, relocations
    included, so that a call to another object's function shows its name)."""
    text = subprocess.run([objdump, "-d", "-r", "-C", "--no-show-raw-insn", obj],
                          check=True, capture_output=True, text=True).stdout
    result, name = {}, None
    for line in text.splitlines():
        head = re.match(r"^[0-9a-f]+ <(.*)>:$", line)
        if head:
            name = head.group(1)
            result[name] = []
        elif name is not None and line.strip():
            result[name].append(line.strip())
    return result


def find(table, pattern):
    """The functions whose names match the pattern."""
    return {name: lines for name, lines in table.items() if re.search(pattern, name)}


def has_in_order(lines, *patterns):
    """The patterns appear in these lines in this order."""
    at = 0
    for pattern in patterns:
        while at < len(lines) and not re.search(pattern, lines[at]):
            at += 1
        if at == len(lines):
            return False
        at += 1
    return True


def main():
    objdump, objects = sys.argv[1], sys.argv[2].split(";")

    def object_of(source):
        found = [path for path in objects if path.replace("\\", "/").endswith("/" + source + ".obj")]
        if len(found) != 1:
            sys.exit(f"FAULT: {source}.obj not found once among the objects: {found}")
        return found[0]

    unit, component = object_of("WebHostUnit.cpp"), object_of("WebHost.cpp")
    faults = []

    def expect(table, function, *patterns, what):
        found = find(table, function)
        if not found:
            faults.append(f"no function {function} in the object")
            return
        holding = [name for name, lines in found.items() if has_in_order(lines, *patterns)]
        if not holding:
            faults.append(f"{what}: {' then '.join(patterns)} not found in {', '.join(found)}")
        else:
            print(f"ok: {what} ({', '.join(holding)})")

    unit_code = functions(objdump, unit)
    current, load = r"TFloatingPointControl::Current\(\)", r"TFloatingPointControl::Load\(\) const"
    expect(unit_code, "^kvx::" + current, r"\bfnstcw\b",
           what="the control read: the x87 word stored")
    expect(unit_code, "^kvx::" + load, r"\bfnclex\b", r"\bfldcw\b",
           what="the control loaded: x87 flags cleared, then the word loaded")
    expect(unit_code, ".", r"\bstmxcsr\b", what="MXCSR read")
    expect(unit_code, ".", r"\bldmxcsr\b", what="MXCSR loaded")
    expect(unit_code, r"^kvx::TFloatingPointControl::AllMasked\(", r"\$0x133f\b",
           what="the all-masked x87 word")
    expect(unit_code, r"^kvx::TWebHostUnit::TWebHostUnit\(",
           rf"\bfnstcw\b|{current}", what="the unit saves the control at its start")
    expect(unit_code, r"^kvx::TWebHostUnit::~TWebHostUnit\(\)",
           rf"\bfldcw\b|{load}", what="the unit restores the control at its end")

    component_code = functions(objdump, component)
    expect(component_code, r"TDisableErrors::SetfpExceptions\(bool\)",
           rf"\bfnstcw\b|{current}", r"\$0x133f\b|AllMasked", rf"\bfldcw\b|{load}",
           what="the page's exceptions masked: read, mask, load")

    for fault in faults:
        print(f"FAULT: {fault}", file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
