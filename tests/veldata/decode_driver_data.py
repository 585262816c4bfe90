#!/usr/bin/env python3
"""Decodes a driver data file and prints its object tree.

A driver data file is one object record on the binary stream format: every value little-endian
with its own width and no padding, a narrow string as a u32 length followed by the same u32
length again and the bytes (the length of the string value, then the stream's counted string).

Object records:
    ':' u16 class-id '{' contents '}'          a new object (it takes the next table index)
    ':' 0x888F name '{' contents '}'           a new object of a class given by name
    ':' 0x888E i32 name-index '{' contents '}' a class name met before
    '@' i32 index                              an object written before (index 0 is null)
Index 0 is the null object; every new object takes the next index when its record starts, and a
class name given by name takes the index after its object's. A peripheral's listener list also
takes an index of its own when it is written out in full.

This decoder knows the stored form of each framework class that a driver data file holds and
reads it field by field; it is kept apart from the C++ readers on purpose, so that a fault in
one shows up against the other.

Usage: decode_driver_data.py FILE [--json]
Exit code 0 when the whole file decoded and nothing was left over, 1 otherwise.
"""

import json
import struct
import sys


class DecodeError(Exception):
    pass


class Reader:
    def __init__(self, data):
        self.data = data
        self.pos = 0
        self.table = [None]  # index 0: the null object

    def take(self, n):
        if self.pos + n > len(self.data):
            raise DecodeError("data ends at offset %d, %d bytes wanted" % (self.pos, n))
        chunk = self.data[self.pos:self.pos + n]
        self.pos += n
        return chunk

    def unpack(self, fmt):
        size = struct.calcsize("<" + fmt)
        return struct.unpack("<" + fmt, self.take(size))[0]

    def u8(self):
        return self.unpack("B")

    def u16(self):
        return self.unpack("H")

    def i16(self):
        return self.unpack("h")

    def u32(self):
        return self.unpack("I")

    def i32(self):
        return self.unpack("i")

    def string(self):
        length = self.u32()
        counted = self.u32()
        if counted != length:
            raise DecodeError("string at offset %d: lengths %d and %d differ"
                              % (self.pos - 8, length, counted))
        if length > len(self.data) - self.pos:
            raise DecodeError("string of %d bytes past the end" % length)
        return self.take(length).decode("latin-1")

    def version(self, cls, expected=1):
        word = self.u32()
        if word != expected:
            raise DecodeError("%s: class version %d at offset %d" % (cls, word, self.pos - 4))


# --- Stored forms, one reader per class, each taking the fields of its bases first ---------------

def base_object(r, node):
    r.version("GBaseObject")
    node["key"] = r.u32()
    node["serial"] = r.u32()


def attribute(r, node):
    base_object(r, node)
    r.version("GAttribute")
    node["enabled"] = r.i32()


def children(r, node, count_limit_name):
    count = r.u32()
    if count > len(r.data):
        raise DecodeError("%s: child count %d" % (count_limit_name, count))
    node["children"] = [record(r) for _ in range(count)]


def persistent_composite(r, node):
    base_object(r, node)
    r.version("MPersistentComposite")
    children(r, node, "MPersistentComposite")


def configuration(r, node):
    persistent_composite(r, node)
    r.version("GConfiguration")


def mapping_list(r, node):
    persistent_composite(r, node)
    r.version("GResourceMappingList")


def attribute_composite(r, node):
    attribute(r, node)
    r.version("GAttributeComposite")
    children(r, node, "GAttributeComposite")


def state(r, node):
    attribute_composite(r, node)
    r.version("GState")


def enumeration(r, node):
    attribute_composite(r, node)
    r.version("GEnumAttribute")
    node["current"] = record(r)
    node["choice_class"] = r.u16()


def pool(name):
    def read(r, node):
        enumeration(r, node)
        r.version(name)
    return read


def value_attribute(r, node):
    attribute(r, node)
    r.version("GValueAttribute")
    node["value"] = r.u16()


def string_attribute(r, node):
    attribute(r, node)
    r.version("GStringAttribute")
    node["value"] = r.string()


def range_attribute(r, node):
    attribute(r, node)
    r.version("GRangeAttribute")
    node["min"] = r.i16()
    node["max"] = r.i16()
    node["step"] = r.u16()
    node["value"] = r.i16()


def resource_mapping(r, node):
    base_object(r, node)
    r.version("GResourceMapping")
    node["string_id"] = r.u32()
    node["devmode_id"] = r.u16()
    node["item_id"] = r.i16()


def media(r, node):
    attribute(r, node)
    r.version("GMedia")
    node["name"] = r.string()
    node["size"] = [r.i16(), r.i16()]
    node["printable_size"] = [r.i16(), r.i16()]
    node["printable_origin"] = [r.i16(), r.i16()]
    node["orientation"] = r.i32()
    node["resolution"] = [r.u16(), r.u16()]
    node["auxiliary"] = r.u16()
    node["second_name"] = r.string()
    node["media_type"] = r.string()
    node["paper_id"] = r.i16()


def custom_media_size(r, node):
    attribute(r, node)
    r.version("GCustomMediaSize")
    node["media_id"] = r.i16()
    node["name"] = r.string()
    node["unit"] = r.i32()
    node["size"] = [r.u32(), r.u32()]


def tray(r, node):
    attribute(r, node)
    r.version("GTray")
    node["name"] = r.string()
    node["tray_id"] = r.i16()
    node["first"] = r.i32()
    node["second"] = r.i32()
    node["capacity"] = r.i32()
    node["level"] = r.i32()
    present = r.i32()
    if present not in (0, 1):
        raise DecodeError("GTray: media-present word %d" % present)
    if present == 1:
        node["media"] = record(r)


def bin_(r, node):
    base_object(r, node)
    r.version("GBin")
    node["name"] = r.string()
    node["bin_id"] = r.i16()
    node["first"] = r.i32()
    node["second"] = r.i32()
    node["capacity"] = r.i32()
    node["level"] = r.i32()
    node["third"] = r.i32()
    node["fourth"] = r.i32()


def capabilities(r, node):
    base_object(r, node)
    r.version("GCapabilities")
    bits = r.u32()
    if (bits + 7) // 8 > len(r.data) - r.pos:
        raise DecodeError("GCapabilities: %d bits past the end" % bits)
    data = r.take((bits + 7) // 8)
    node["bits"] = [n for n in range(bits) if data[n // 8] >> (n % 8) & 1]


def paper_handling_device(r, node):
    attribute(r, node)
    r.version("GPaperHandlingDevice")
    node["name"] = r.string()
    node["device_type"] = r.i32()
    node["optional"] = r.i32()
    node["installed"] = r.i32()
    node["selected"] = r.u16()
    count = r.u32()
    if count > len(r.data):
        raise DecodeError("GPaperHandlingDevice: %d options" % count)
    node["options"] = []
    for _ in range(count):
        option_id = r.u16()
        node["options"].append({"id": option_id, "object": record(r)})


def counted_pointer(r, node):
    node["target"] = record(r)


def peripheral(r, node):
    attribute(r, node)
    r.version("GPeripheral")
    node["page_state"] = record(r)
    node["job_state"] = record(r)
    node["configuration"] = record(r)
    tag = r.u8()
    if tag == 0x3A:  # ':' the list in full; it takes a table index first
        r.table.append({"class": "listener list"})
        count = r.u32()
        if count > len(r.data):
            raise DecodeError("GPeripheral: %d listeners" % count)
        node["listeners"] = [record(r) for _ in range(count)]
    elif tag == 0x40:  # '@' the same list written before
        node["listeners"] = {"list_ref": r.u32()}
    else:
        raise DecodeError("GPeripheral: listener list tag 0x%02X" % tag)
    node["name"] = r.string()
    node["add_on_list_key"] = r.u32()
    node["add_on_kind"] = r.i32()
    node["add_on_mode"] = r.i32()


def peripheral_composite(r, node):
    peripheral(r, node)
    r.version("GPeripheralComposite")
    node["child_list"] = record(r)
    node["own_job_state"] = record(r)
    node["own_page_state"] = record(r)
    node["own_configuration"] = record(r)


def printer(r, node):
    peripheral_composite(r, node)
    r.version("GPrinter")
    node["printer_flag"] = r.i32()


def pjl(r, node):
    peripheral_composite(r, node)
    r.version("GPJL")
    node["media_state"] = record(r)
    node["job_name"] = r.string()


def language_peripheral(r, node):
    peripheral_composite(r, node)
    r.version("GLanguagePeripheral")
    node["in_document"] = r.i32()
    node["scan_flag"] = r.i32()
    node["path_depth"] = r.i16()
    node["clip_path_flag"] = r.i32()


def kestrix(r, node):
    language_peripheral(r, node)
    r.version("GKestrix")
    node["text_mode"] = r.i16()
    node["pending_status"] = r.u16()
    node["output_enabled"] = r.i32()
    node["resolution_x"] = r.u16()
    node["resolution_y"] = r.u16()
    node["color_mode"] = r.i32()


def association(r, node):
    base_object(r, node)
    r.version("MPersistentAssociation")
    node["key_object"] = record(r)
    node["value_object"] = record(r)


def association_list(r, node):
    persistent_composite(r, node)
    r.version("MAssociationList")


def selection_string(r, node):
    base_object(r, node)
    r.version("GSelectionString")
    node["text"] = r.string()
    node["id"] = r.u16()


def nup_filter(r, node):
    peripheral(r, node)
    r.version("GNupFilter", 3)
    node["margins"] = [r.i16() for _ in range(4)]
    node["gutters"] = [r.i32(), r.i32()]
    node["pages_per_sheet"] = r.i16()
    node["page_order"] = r.i16()
    node["sheet"] = [r.i16(), r.i16()]
    node["printable"] = [r.i16(), r.i16()]
    node["orientations"] = [r.i16(), r.i16()]
    node["frames"] = r.u32()
    node["page_media"] = record(r)
    node["sheet_media"] = record(r)


def watermark_filter(r, node):
    peripheral(r, node)
    r.version("GWatermarkFilter")


def fit_to_size_filter(r, node):
    peripheral(r, node)
    r.version("GFitToSizeFilter")
    node["target_media"] = record(r)


def scale_page_filter(r, node):
    peripheral(r, node)
    r.version("GScalePageFilter")


def booklet_filter(r, node):
    peripheral(r, node)
    r.version("GBookletFilter")


def dither_matrix(r, node):
    base_object(r, node)
    r.version("GDitherMatrix")
    width = r.u8()
    height = r.u8()
    node["size"] = [width, height]
    node["thresholds"] = list(r.take(width * height))
    node["id"] = r.u16()


CLASSES = {
    752: ("MPersistentComposite", persistent_composite),
    757: ("GAttributeComposite", attribute_composite),
    758: ("GState", state),
    759: ("GConfiguration", configuration),
    761: ("GPrinter", printer),
    767: ("GKestrix", kestrix),
    769: ("GPJL", pjl),
    762: ("GRangeAttribute", range_attribute),
    763: ("GValueAttribute", value_attribute),
    764: ("GEnumAttribute", enumeration),
    770: ("GPeripheralComposite", peripheral_composite),
    771: ("MPersistentAssociation", association),
    772: ("MAssociationList", association_list),
    773: ("GCountedPtr", counted_pointer),
    774: ("GDitherMatrix", dither_matrix),
    775: ("GCustomMediaSize", custom_media_size),
    776: ("GStringAttribute", string_attribute),
    1001: ("GTray", tray),
    1002: ("GMedia", media),
    1003: ("GCapabilities", capabilities),
    1004: ("GResourceMapping", resource_mapping),
    1005: ("GResourceMappingList", mapping_list),
    1006: ("GMediaPool", pool("GMediaPool")),
    1007: ("GTrayPool", pool("GTrayPool")),
    1008: ("GSelectionString", selection_string),
    1009: ("GBin", bin_),
    1010: ("GPaperHandlingDevice", paper_handling_device),
    1101: ("GNupFilter", nup_filter),
    1102: ("GWatermarkFilter", watermark_filter),
    1103: ("GFitToSizeFilter", fit_to_size_filter),
    1104: ("GScalePageFilter", scale_page_filter),
    1105: ("GBookletFilter", booklet_filter),
}


def record(r):
    start = r.pos
    tag = r.u8()
    if tag == 0x40:  # '@'
        index = r.i32()
        if index < 0 or index >= len(r.table):
            raise DecodeError("reference %d at offset %d: table holds %d" % (index, start, len(r.table)))
        return None if index == 0 else {"ref": index}
    if tag != 0x3A:  # ':'
        raise DecodeError("record tag 0x%02X at offset %d" % (tag, start))
    class_id = r.u16()
    by_name = None
    new_name = class_id == 0x888F
    if new_name:
        by_name = r.string()
    elif class_id == 0x888E:
        index = r.i32()
        if index <= 0 or index >= len(r.table) or not isinstance(r.table[index], str):
            raise DecodeError("class name reference %d at offset %d" % (index, start))
        by_name = r.table[index]
    if r.u8() != 0x7B:  # '{'
        raise DecodeError("no '{' after the class header at offset %d" % start)
    if by_name is not None:
        found = [cid for cid, (name, _) in CLASSES.items() if name == by_name]
        if not found:
            raise DecodeError("unknown class %r at offset %d" % (by_name, start))
        class_id = found[0]
    if class_id not in CLASSES:
        raise DecodeError("unknown class id %d at offset %d" % (class_id, start))
    name, read = CLASSES[class_id]
    node = {"class": name, "index": len(r.table)}
    r.table.append(node)
    if new_name:
        r.table.append(by_name)
    read(r, node)
    if r.u8() != 0x7D:  # '}'
        raise DecodeError("%s at offset %d: no '}' at offset %d" % (name, start, r.pos - 1))
    return node


def decode(data):
    r = Reader(data)
    root = record(r)
    if r.pos != len(data):
        raise DecodeError("%d bytes after the object record" % (len(data) - r.pos))
    return root


SKIP = {"class", "children", "index", "options", "current", "target", "page_state", "job_state",
        "configuration", "listeners", "child_list", "own_job_state", "own_page_state",
        "own_configuration", "media", "media_state", "key_object", "value_object",
        "thresholds"}


def print_tree(node, out, depth=0, label=""):
    pad = "  " * depth
    if node is None:
        out.write("%s%snull\n" % (pad, label))
        return
    if "ref" in node:
        out.write("%s%s@%d\n" % (pad, label, node["ref"]))
        return
    fields = " ".join("%s=%s" % (k, json.dumps(v)) for k, v in node.items() if k not in SKIP)
    out.write("%s%s%s #%d %s\n" % (pad, label, node["class"], node["index"], fields))
    for name in ("page_state", "job_state", "configuration", "target", "media", "current",
                 "child_list", "own_job_state", "own_page_state", "own_configuration",
                 "media_state", "key_object", "value_object"):
        if name in node:
            print_tree(node[name], out, depth + 1, name + ": ")
    if isinstance(node.get("listeners"), list):
        for listener in node["listeners"]:
            print_tree(listener, out, depth + 1, "listener: ")
    for option in node.get("options", []):
        print_tree(option["object"], out, depth + 1, "option %d: " % option["id"])
    for child in node.get("children", []):
        print_tree(child, out, depth + 1)


def main(argv):
    args = [a for a in argv[1:] if not a.startswith("--")]
    if len(args) != 1:
        sys.stderr.write("usage: decode_driver_data.py FILE [--json]\n")
        return 2
    try:
        with open(args[0], "rb") as f:
            data = f.read()
    except OSError as error:
        sys.stderr.write("decode_driver_data.py: %s\n" % error)
        return 1
    try:
        root = decode(data)
    except DecodeError as error:
        sys.stderr.write("decode_driver_data.py: %s\n" % error)
        return 1
    if "--json" in argv:
        json.dump(root, sys.stdout, indent=1)
        sys.stdout.write("\n")
    else:
        print_tree(root, sys.stdout)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
