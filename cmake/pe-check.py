#!/usr/bin/env python3
"""Checks a shipped Windows executable without running it.

  pe-check.py --bits 32|64 [--subsystem gui|console] [--imports DLL,DLL...]
              [--icons FIRST-LAST [--icon-sizes N,N...]] [--version]
              [--manifest [--dpi-aware]] [--signed] FILE

It reads the PE headers and asserts the machine (i386 for 32, x86-64 for 64)
and optional header kind (PE32 or PE32+), the subsystem, that every imported
DLL is one of the allowed ones (so no MinGW runtime DLL), and that the
resources hold the icon groups (each with an image of every size asked
for) and the version block asked for. The
application manifest must run the program as its invoker (so Windows does
not virtualize its registry writes), declare one namespace per tag at most
(Windows XP SP2 restarts on a tag with two, Microsoft KB 921337) and, with
--dpi-aware, make the program DPI-aware. With --signed the image must carry
an Authenticode signature: a certificate table (data directory 4) holding a
WIN_CERTIFICATE of revision 2.0 and type PKCS#7 signed data. Whether the
signature is valid is osslsigncode's to say. It needs no
Wine, so it runs on hosts that cannot run the program. Exit code 0 when
every check passes, 1 when one fails, 2 for a file that is no PE image.
"""
import argparse
import re
import struct
import sys

MACHINES = {32: (0x14C, 0x10B, "i386 PE32"), 64: (0x8664, 0x20B, "x86-64 PE32+")}
SUBSYSTEMS = {"gui": 2, "console": 3}
RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 14, 16, 24


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = self.u16(optional)
        self.subsystem = self.u16(optional + 68)
        directories = optional + (96 if self.magic == 0x10B else 112)
        count = self.u32(directories - 4)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(min(count, 16))]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(sections)]

    def u16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def offset(self, rva):
        for size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError("address 0x%x is in no section" % rva)

    def cstring(self, offset):
        return self.data[offset:self.data.index(b"\0", offset)].decode("ascii", "replace")

    def imports(self):
        rva = self.directories[1][0] if len(self.directories) > 1 else 0
        names = []
        if not rva:
            return names
        entry = self.offset(rva)
        while True:
            descriptor = struct.unpack_from("<IIIII", self.data, entry)
            if not any(descriptor):
                return names
            names.append(self.cstring(self.offset(descriptor[3])).lower())
            entry += 20

    def resources(self):
        """{type: [ids]} of the resource directory's first two levels."""
        rva = self.directories[2][0] if len(self.directories) > 2 else 0
        if not rva:
            return {}
        base = self.offset(rva)

        def entries(directory):
            named, ids = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
                yield name, target

        found = {}
        for kind, target in entries(base):
            if target & 0x80000000:
                found[kind] = [name for name, _ in entries(base + (target & 0x7FFFFFFF))]
        return found

    def resource_data(self, kind, wanted):
        """The bytes of resource `wanted` of type `kind` (first language), or None."""
        base = self.offset(self.directories[2][0])

        def child(directory, key):
            named, ids = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
                if key is None or name == key:
                    return target
            return None

        level = base
        for key in (kind, wanted, None):
            target = child(level, key)
            if target is None:
                return None
            level = base + (target & 0x7FFFFFFF)
        rva, size = struct.unpack_from("<II", self.data, level)
        start = self.offset(rva)
        return self.data[start:start + size]


def check_manifest(text, dpi_aware):
    failures = []
    if not re.search(r'<requestedExecutionLevel\s+level="asInvoker"', text):
        failures.append("the manifest does not run it asInvoker")
    for tag in re.findall(r"<[^!?][^>]*>", text):
        if tag.count("xmlns") > 1:
            failures.append("a manifest tag declares two namespaces: %s" % tag)
    if dpi_aware and not re.search(r"<dpiAware[^>]*>\s*true\s*</dpiAware>", text):
        failures.append("the manifest does not make it DPI-aware")
    return failures


def check_signature(image):
    # The certificate table's entry holds a file offset, not an address.
    offset, size = image.directories[4] if len(image.directories) > 4 else (0, 0)
    if not offset or not size:
        return ["no signature (the certificate table is empty)"]
    if offset + size > len(image.data) or size < 8:
        return ["the certificate table lies outside the file"]
    length, revision, kind = struct.unpack_from("<IHH", image.data, offset)
    if length < 8 or length > size or revision != 0x0200 or kind != 0x0002:
        return ["the certificate table holds no PKCS#7 signature (length %d, revision 0x%x, type %d)" % (
            length, revision, kind)]
    return []


def check(arguments):
    with open(arguments.file, "rb") as handle:
        image = Image(handle.read())
    failures = []
    machine, magic, what = MACHINES[arguments.bits]
    if image.machine != machine or image.magic != magic:
        failures.append("not an %s image (machine 0x%x, magic 0x%x)" % (what, image.machine, image.magic))
    if arguments.subsystem and image.subsystem != SUBSYSTEMS[arguments.subsystem]:
        failures.append("subsystem %d, not %s" % (image.subsystem, arguments.subsystem))
    # A name without an extension is a DLL ("winspool.drv" is not).
    allowed = {name.lower() if "." in name else name.lower() + ".dll"
               for name in (arguments.imports or "").split(",")}
    imports = image.imports()
    extra = sorted(set(imports) - allowed)
    if arguments.imports is not None and extra:
        failures.append("imports %s beyond %s" % (", ".join(extra), ", ".join(sorted(allowed))))
    resources = image.resources()
    if arguments.icons:
        first, last = (int(part) for part in arguments.icons.split("-"))
        missing = [i for i in range(first, last + 1) if i not in resources.get(RT_GROUP_ICON, [])]
        if missing:
            failures.append("no icon group %s" % ", ".join(map(str, missing)))
        wanted = [int(n) for n in arguments.icon_sizes.split(",")] if arguments.icon_sizes else []
        for group in range(first, last + 1):
            if group in missing or not wanted:
                continue
            data = image.resource_data(RT_GROUP_ICON, group)
            count = struct.unpack_from("<H", data, 4)[0]
            sizes = {data[6 + 14 * i] or 256 for i in range(count)}
            lacking = [n for n in wanted if n not in sizes]
            if lacking:
                failures.append("icon group %d has no %s pixel image" % (
                    group, ", ".join(map(str, lacking))))
    if arguments.version and not resources.get(RT_VERSION):
        failures.append("no version block")
    if arguments.signed:
        failures.extend(check_signature(image))
    if arguments.manifest:
        if 1 not in resources.get(RT_MANIFEST, []):
            failures.append("no application manifest (resource 1 of type 24)")
        else:
            failures.extend(check_manifest(image.resource_data(RT_MANIFEST, 1).decode("utf-8", "replace"),
                                           arguments.dpi_aware))
    name = arguments.file.rsplit("/", 1)[-1]
    for failure in failures:
        print("FAIL %s: %s" % (name, failure))
    if not failures:
        print("ok %s: %s, %s subsystem, imports %s%s%s%s%s%s" % (
            name, what, arguments.subsystem or "any", ", ".join(imports),
            ", icons %s" % arguments.icons if arguments.icons else "",
            " (%s pixels)" % arguments.icon_sizes if arguments.icon_sizes else "",
            ", version block" if arguments.version else "",
            ", manifest" if arguments.manifest else "",
            ", signed" if arguments.signed else ""))
    return 1 if failures else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bits", type=int, choices=(32, 64), required=True)
    parser.add_argument("--subsystem", choices=sorted(SUBSYSTEMS))
    parser.add_argument("--imports")
    parser.add_argument("--icons")
    parser.add_argument("--icon-sizes")
    parser.add_argument("--version", action="store_true")
    parser.add_argument("--manifest", action="store_true")
    parser.add_argument("--dpi-aware", action="store_true")
    parser.add_argument("--signed", action="store_true")
    parser.add_argument("file")
    arguments = parser.parse_args()
    try:
        return check(arguments)
    except (OSError, ValueError, struct.error) as error:
        print("FAIL %s: %s" % (arguments.file, error))
        return 2


if __name__ == "__main__":
    sys.exit(main())
