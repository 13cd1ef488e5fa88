#!/usr/bin/env python3
"""Writes the small seed documents for native_document_fuzz into seeds/native_document/."""
import base64, json, os, struct, zlib

def png(width, height, rgba):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    rows = b"".join(b"\x00" + bytes(rgba) * width for _ in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")

def layer(uid, name, **extra):
    base = {"id": uid, "name": name, "isVisible": True, "opacity": 1, "originX": 0, "originY": 0,
            "kind": "bitmap", "pngData": base64.b64encode(png(2, 2, (200, 10, 10, 255))).decode()}
    base.update(extra)
    if base["kind"] == "text":
        del base["pngData"]
    return base

def color(r, g, b, a):
    return {"red": r, "green": g, "blue": b, "alpha": a}

A = "6BA7B810-9DAD-11D1-80B4-00C04FD430C8"
B = "6BA7B811-9DAD-11D1-80B4-00C04FD430C8"
text = {"string": "Hello wörld", "fontFamily": "DejaVu Sans", "fontSize": 24, "color": color(0, 0, 0, 1),
        "runs": [{"length": 5, "fontSize": 30}, {"length": 6, "color": color(1, 0, 0, 1), "fontFamily": "Serif"}]}
effects = {"shadow": {"color": color(0, 0, 0, 0.5), "offsetX": 4, "offsetY": 4, "blur": 6},
           "stroke": {"color": color(1, 1, 1, 1), "width": 2}, "glow": {"color": color(1, 1, 0, 1), "radius": 8}}
seeds = {
    "minimal": {"formatVersion": 1, "width": 2, "height": 2, "layers": [layer(A, "Background")], "selectedLayerID": A},
    "empty": {"formatVersion": 1, "width": 640.5, "height": 480, "layers": []},
    "text-and-effects": {"formatVersion": 1, "width": 64, "height": 32, "selectedLayerID": B,
                         "layers": [layer(A, "a/b – ü", blendMode="multiply", isLocked=True, groupID=B, effects=effects),
                                    layer(B, "Title", kind="text", text=text, opacity=0.5, originX=1.5, originY=-2)],
                         "extraSelectedLayerIDs": [A, "bad"]},
    "selection": {"formatVersion": 0, "width": 100, "height": 100, "layers": [layer("not-a-uuid", "L", blendMode="Screen")],
                  "selectionX": -10, "selectionY": -10, "selectionWidth": 50, "selectionHeight": 50,
                  "aspectWidth": 4, "aspectHeight": 3, "selectionShape": "ellipse", "selectionInverted": True},
    "future-version": {"formatVersion": 2, "width": 1, "height": 1, "layers": []},
}
folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "seeds", "native_document")
os.makedirs(folder, exist_ok=True)
for name, document in seeds.items():
    text_form = json.dumps(document, separators=(",", ":"), sort_keys=True, ensure_ascii=False)
    # Slashes only occur inside strings, where the format writes them escaped.
    with open(os.path.join(folder, name + ".json"), "w", encoding="utf-8") as out:
        out.write(text_form.replace("/", "\\/"))
