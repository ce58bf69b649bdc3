# Times a plain in-memory read of one layout file by the KLayout viewer, the reference that the
# import benchmark compares against.
# Usage: QT_QPA_PLATFORM=offscreen klayout -b -rd f=FILE -r scripts/lib/peer_read.py
# Prints one line: peer-read seconds=S bytes=B
import os
import time

import pya

path = globals()["f"]
start = time.time()
layout = pya.Layout()
layout.read(path)
seconds = time.time() - start
print("peer-read seconds=%.3f bytes=%d" % (seconds, os.path.getsize(path)))
