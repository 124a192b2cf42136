#!/usr/bin/env python3
"""Writes the benchmark's package tree: COUNT files of TOTAL bytes in all, half
text-like and half random, spread over nested directories."""
import os
import random
import sys

root, count, total = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rng = random.Random(1234)
words = [''.join(rng.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rng.randint(2, 9))) for _ in range(4000)]
per_file = total // count
for i in range(count):
    d = os.path.join(root, f"dir{i % 40:02d}", f"sub{i % 7}")
    os.makedirs(d, exist_ok=True)
    size = max(1, int(per_file * rng.uniform(0.2, 1.8)))
    if i % 2 == 0:
        parts, n = [], 0
        while n < size:
            line = ' '.join(rng.choice(words) for _ in range(rng.randint(4, 14))) + '\n'
            parts.append(line)
            n += len(line)
        data = ''.join(parts).encode()[:size]
        name = f"text{i:04d}.txt"
    else:
        data = os.urandom(size)
        name = f"blob{i:04d}.bin"
    with open(os.path.join(d, name), 'wb') as f:
        f.write(data)
