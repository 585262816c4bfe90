#!/usr/bin/env python3
"""Runs the driver data builder and checks its file with the independent decoder.

Usage: check_driver_data.py VELDATA DECODER WORKDIR
"""

import json
import os
import subprocess
import sys

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED: " + what)


def run(*args):
    return subprocess.run(list(args), capture_output=True, text=True)


def main(veldata, decoder, workdir):
    # The program's interface.
    check(run(veldata, "--help").returncode == 0, "--help exits 0")
    listed = run(veldata, "--list")
    check(listed.returncode == 0 and "vel-laser" in listed.stdout.split(), "--list names vel-laser")
    for args in ([], ["-o"], ["--model", "no-such-model", "-o", "x.dat"], ["--bogus"]):
        result = run(veldata, *args)
        check(result.returncode == 2 and "veldata:" in result.stderr,
              "usage error %s exits 2 with a message" % args)
    unwritable = run(veldata, "-o", os.path.join(workdir, "no-such-dir", "x.dat"))
    check(unwritable.returncode == 1 and "cannot write" in unwritable.stderr,
          "an unwritable file exits 1")

    path = os.path.join(workdir, "vel-laser.dat")
    written = run(veldata, "--model", "vel-laser", "-o", path)
    check(written.returncode == 0, "the program writes the model")
    if written.returncode != 0:
        return
    decoded = run(sys.executable, decoder, path, "--json")
    check(decoded.returncode == 0, "the decoder reads the file: " + decoded.stderr.strip())
    if decoded.returncode != 0:
        return
    check(run(sys.executable, decoder, path).returncode == 0, "the decoder prints the tree")
    check_tree(json.loads(decoded.stdout))


def index_nodes(node, table):
    if isinstance(node, dict):
        if "index" in node and "class" in node:
            table[node["index"]] = node
        for value in node.values():
            index_nodes(value, table)
    elif isinstance(node, list):
        for value in node:
            index_nodes(value, table)


def check_tree(root):
    table = {}
    index_nodes(root, table)

    def resolve(node):
        while isinstance(node, dict) and "ref" in node:
            node = table[node["ref"]]
        if isinstance(node, dict) and node.get("class") == "GCountedPtr":
            return resolve(node["target"])
        return node

    def kids(node):
        node = resolve(node)
        if node is None:
            return []
        if "child_list" in node:
            return [resolve(c) for c in resolve(node["child_list"])["children"]]
        return [resolve(c) for c in node.get("children", [])]

    def find(node, key):
        """Depth first over children and options, the node itself first."""
        node = resolve(node)
        if node is None:
            return None
        if node.get("key") == key:
            return node
        for child in kids(node) + [resolve(o["object"]) for o in node.get("options", [])]:
            hit = find(child, key)
            if hit is not None:
                return hit
        return None

    check(root["class"] == "MPersistentComposite", "the file holds a persistent composite")
    parts = kids(root)
    check([p["key"] for p in parts] == [353, 191, 84], "parts 353, 191 and 84 in this order")
    head, media_map, tray_map = parts
    check(head["class"] == "GPeripheralComposite", "part 353 is a peripheral composite")
    printers = [p for p in kids(head) if p["key"] == 76]
    check(len(printers) == 1 and kids(head)[-1] is printers[0], "the printer (76) ends the chain")
    filters = kids(head)[:-1]
    check([f["class"] for f in filters] ==
          ["GScalePageFilter", "GFitToSizeFilter", "GWatermarkFilter", "GBookletFilter",
           "GNupFilter"],
          "the page filters: scale-page, fit-to-size, watermark, booklet, and n-up just ahead of "
          "the printer")
    printer = printers[0]
    check(printer["class"] == "GPrinter", "the printer is a GPrinter")
    check([c["key"] for c in kids(printer)] == [106, 101], "the printer holds 106 and 101")
    check([c["class"] for c in kids(printer)] == ["GPJL", "GKestrix"],
          "the envelope is a GPJL and the back end a GKestrix")
    check(kids(printer)[1]["name"] == "PCLXL", "the back end's language name")
    check(media_map["class"] == "GResourceMappingList" and len(kids(media_map)) == 5,
          "five media mappings")
    check(tray_map["class"] == "GResourceMappingList" and len(kids(tray_map)) == 4,
          "four tray mappings")
    check(sorted(m["devmode_id"] for m in kids(media_map)) == [1, 5, 7, 9, 11],
          "the mapped DEVMODE papers")

    configuration = resolve(printer["own_configuration"])
    check(configuration["class"] == "GConfiguration", "the printer's configuration")
    pool = find(configuration, 189)
    check(pool is not None and pool["class"] == "GMediaPool", "189 is the media pool")
    media = kids(pool)
    check(len(media) == 42 and all(m["class"] == "GMedia" for m in media), "42 media")
    names = {m["name"]: m["paper_id"] for m in media}
    check(names.get("MaxSize") == 17384 and names.get("MinSize") == 17385, "MaxSize and MinSize")
    check({(m["orientation"], tuple(m["resolution"])) for m in media} ==
          {(o, r) for o in (0, 90) for r in ((300, 300), (600, 600), (1200, 600))},
          "each paper at two orientations and three resolutions")
    group = find(configuration, 228)
    check(group is not None, "the device group 228")
    for key, cls in ((202, "GRangeAttribute"), (204, "GValueAttribute"), (226, "GValueAttribute"),
                     (231, "GValueAttribute"), (90, "GAttributeComposite")):
        found = find(group, key)
        check(found is not None and found["class"] == cls, "228 holds %d as %s" % (key, cls))
    devices = kids(find(group, 90))
    check([(d["device_type"], d["installed"]) for d in devices] == [(0, 1), (0, 0), (0, 0), (1, 0)],
          "three tray devices and one accessory")
    trays = [resolve(t) for d in devices[:3] for o in d["options"] for t in kids(o["object"])]
    check(sorted(t["tray_id"] for t in trays) == [1, 2, 3, 5], "trays 1, 2, 3 and 5")
    resolutions = kids(find(configuration, 206))
    check([[find(g, k)["value"] for k in (322, 323, 324)] for g in resolutions] ==
          [[300, 300, 1], [600, 600, 1], [1200, 600, 1]], "the resolution groups")
    copies = find(configuration, 199)
    check(copies is not None and (copies["min"], copies["max"]) == (1, 999), "the copies range")
    check(find(configuration, 339) is not None, "the option flag 339")
    text = find(configuration, 401)
    check(text is not None and text["value"] == "velres", "the configuration text")
    language = resolve(kids(printer)[1]["own_configuration"])
    check(find(language, 202) is not None and find(language, 317) is not None,
          "the language configuration holds 202 and 317")
    sources = find(language, 85)
    check(sources is not None and sources["class"] == "MAssociationList" and
          sorted((a["key_object"]["value"], a["value_object"]["value"]) for a in kids(sources)) ==
          [(1, 3), (2, 4), (3, 5), (5, 6)], "85 maps trays 1, 2, 3, 5 to media sources")
    names = find(language, 192)
    check(names is not None and
          sorted((a["key_object"]["value"], a["value_object"]["text"]) for a in kids(names)) ==
          [(1, "EXEC"), (2, "LETTER"), (3, "LEGAL"), (25, "A5"), (26, "A4")],
          "192 names the mapped papers")
    matrices = find(language, 329)
    check(matrices is not None and [m["id"] for m in kids(matrices)] == [300, 600, 1200],
          "329 holds a dither matrix per horizontal resolution")
    envelope = resolve(kids(printer)[0]["own_configuration"])
    check(find(envelope, 192) is not None, "the envelope's configuration holds 192")


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.stderr.write(__doc__)
        sys.exit(2)
    main(*sys.argv[1:])
    print("%d failed" % len(failures) if failures else "driver data checks passed")
    sys.exit(1 if failures else 0)
