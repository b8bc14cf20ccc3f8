"""The version resource of a 32-bit PE file, read as Windows' Properties dialog reads it: the fixed
file and product versions, and the strings of the first string table."""
import struct

RT_VERSION = 16


def read_version(path):
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    sections_count = struct.unpack_from("<H", data, pe + 6)[0]
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    if struct.unpack_from("<H", data, optional)[0] != 0x10B:
        raise ValueError("not a 32-bit PE file")
    resource_rva = struct.unpack_from("<I", data, optional + 96 + 2 * 8)[0]
    sections = []
    for i in range(sections_count):
        s = optional + optional_size + 40 * i
        vsize, vaddr, rsize, raddr = struct.unpack_from("<IIII", data, s + 8)
        sections.append((vaddr, max(vsize, rsize), raddr))

    def offset(rva):
        for vaddr, size, raddr in sections:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + raddr
        raise ValueError("address outside the sections")

    base = offset(resource_rva)

    def entries(directory):
        named, ids = struct.unpack_from("<HH", data, directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, directory + 16 + 8 * i)
            yield name, target

    def first_leaf(target):
        while target & 0x80000000:
            target = next(entries(base + (target & 0x7FFFFFFF)))[1]
        rva, size = struct.unpack_from("<II", data, base + target)
        return data[offset(rva):offset(rva) + size]

    for name, target in entries(base):
        if name == RT_VERSION:
            return parse_version_info(first_leaf(target))
    raise ValueError("no version resource")


def _node(blob, at):
    length, value_length, kind = struct.unpack_from("<HHH", blob, at)
    end_key = at + 6
    while blob[end_key:end_key + 2] != b"\0\0":
        end_key += 2
    key = blob[at + 6:end_key].decode("utf-16-le")
    value_at = (end_key + 2 + 3) & ~3
    return length, value_length, kind, key, value_at


def parse_version_info(blob):
    length, value_length, _, key, value_at = _node(blob, 0)
    if key != "VS_VERSION_INFO":
        raise ValueError("not a version resource")
    signature, _, fms, fls, pms, pls = struct.unpack_from("<IIIIII", blob, value_at)
    if signature != 0xFEEF04BD:
        raise ValueError("no fixed file information")
    result = {
        "FileVersion#": f"{fms >> 16}.{fms & 0xFFFF}.{fls >> 16}.{fls & 0xFFFF}",
        "ProductVersion#": f"{pms >> 16}.{pms & 0xFFFF}.{pls >> 16}.{pls & 0xFFFF}",
    }
    at = (value_at + value_length + 3) & ~3
    while at < length:
        child_length, _, _, child_key, child_value = _node(blob, at)
        if child_key == "StringFileInfo":
            table_length, _, _, _, strings = _node(blob, child_value)
            table_end = child_value + table_length
            while strings < table_end:
                s_length, s_value_length, _, s_key, s_value = _node(blob, strings)
                text = blob[s_value:s_value + 2 * s_value_length].decode("utf-16-le").rstrip("\0")
                result[s_key] = text
                strings = (strings + s_length + 3) & ~3
        at = (at + child_length + 3) & ~3
    return result
