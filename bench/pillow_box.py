# Times Pillow's box-filter resize (Image.BOX) of a raw picture for
# bench_area: arguments are the raw file, its width, height and Pillow mode,
# then jobs "outW,outH,boxW,boxH" (the part of the picture from its top-left
# corner that becomes outW x outH). Prints the fastest of 7 runs in
# milliseconds, one line a job.
import sys
import time

from PIL import Image


def main():
    path, width, height, mode = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    with open(path, "rb") as f:
        picture = Image.frombytes(mode, (width, height), f.read())
    for job in sys.argv[5:]:
        out_w, out_h, box_w, box_h = (float(v) for v in job.split(","))
        times = []
        for _ in range(7):
            start = time.perf_counter()
            picture.resize((int(out_w), int(out_h)), Image.BOX, box=(0, 0, box_w, box_h))
            times.append(time.perf_counter() - start)
        print("%.3f" % (min(times) * 1000), flush=True)


main()
