#!/usr/bin/python3
"""Times scipy's sosfreqz on the sections and points the filter graph benchmark hands over.

Input (argv[1], JSON): {"omega": [...], "sos": [[b0, b1, b2, 1, a1, a2], ...]}.
Output (stdout, JSON): {"usec": median time of one evaluation incl. dB conversion,
"db": [summed gain in dB per point]}.
"""
import json
import sys
import timeit

import numpy as np
from scipy.signal import sosfreqz


def main():
    with open(sys.argv[1]) as f:
        data = json.load(f)
    omega = np.array(data["omega"])
    sos = np.array(data["sos"])

    def run():
        _, h = sosfreqz(sos, worN=omega)
        return 20.0 * np.log10(np.abs(h))

    db = run()
    timer = timeit.Timer(run)
    number, _ = timer.autorange()
    runs = sorted(timer.repeat(repeat=7, number=number))
    usec = runs[len(runs) // 2] / number * 1e6
    json.dump({"usec": usec, "db": db.tolist()}, sys.stdout)


if __name__ == "__main__":
    main()
