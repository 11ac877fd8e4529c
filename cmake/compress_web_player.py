"""Shrinks the web player page that emcc wrote with -sSINGLE_FILE=1.

emcc inlines the WebAssembly as plain base64 in a data: address. This moves
it, gzip-compressed and then base64-encoded, into its own element
(id "quillbarrow-wasm"), which the page's Module.instantiateWasm inflates
with the browser's DecompressionStream: the page gets about 2.5 times
smaller and still needs no other file. Usage: compress_web_player.py PAGE
"""
import base64
import gzip
import re
import sys

page_path = sys.argv[1]
with open(page_path, encoding="utf-8") as f:
    page = f.read()

inline = re.compile(r'wasmBinaryFile="data:application/octet-stream;base64,([A-Za-z0-9+/=]*)"')
found = inline.search(page)
if not found or not found.group(1):
    sys.exit(f"{page_path}: no inlined WebAssembly to compress")
wasm = base64.b64decode(found.group(1))
# mtime 0: the same build gives the same bytes.
packed = base64.b64encode(gzip.compress(wasm, compresslevel=9, mtime=0)).decode("ascii")

page = page[: found.start(1)] + page[found.end(1) :]
# The player's version stamp, readable again in the page itself (quillbarrow
# info reads it up to its closing quote).
stamp = re.search(rb"QUILLBARROW-PLAYER-VERSION [\x20-\x21\x23-\x7e]{1,200}\x00", wasm)
if stamp:
    text = stamp.group(0)[:-1].decode("ascii").replace("&", "&amp;").replace("<", "&lt;")
    page = page.replace('<meta charset="utf-8">', f'<meta charset="utf-8">\n<meta name="generator" content="{text}">', 1)
marker = '<script id="quillbarrow-wasm" type="application/octet-stream"></script>'
if page.count(marker) != 1:
    sys.exit(f"{page_path}: the shell's WebAssembly element is missing")
page = page.replace(marker, marker.replace("></script>", ">" + packed + "</script>"))
with open(page_path, "w", encoding="utf-8") as f:
    f.write(page)
print(f"{page_path}: WebAssembly {len(wasm)} bytes, {len(packed)} compressed in base64")
