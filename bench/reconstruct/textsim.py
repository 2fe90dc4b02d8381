"""Text similarity on characters: whitespace is layout, not content, so it is dropped first."""

import unicodedata


def normalise(text):
    folded = unicodedata.normalize("NFKC", text)
    return "".join(ch for ch in folded if not ch.isspace())


def _position_masks(text):
    """For each character, the integer whose bit i is set where text[i] is that character."""
    positions = {}
    for position, ch in enumerate(text):
        positions.setdefault(ch, []).append(position)
    masks = {}
    for ch, where in positions.items():
        bits = bytearray(where[-1] // 8 + 1)
        for position in where:
            bits[position // 8] |= 1 << (position % 8)
        masks[ch] = int.from_bytes(bits, "little")
    return masks


def lcs_length(a, b):
    """Length of the longest common subsequence, bit-parallel over the characters of a: one
    pass over b with big-integer arithmetic, so two 100,000-character texts take seconds
    where the quadratic table would take hours."""
    if not a or not b:
        return 0
    masks = _position_masks(a)
    full = (1 << len(a)) - 1
    row = full
    for ch in b:
        matches = row & masks.get(ch, 0)
        row = ((row + matches) | (row - matches)) & full
    return len(a) - bin(row).count("1")


def similarity(reference, candidate):
    """2 * LCS / (|a| + |b|) on normalised text: 1.0 for equal texts, lower for text lost,
    added or put out of order."""
    a = normalise(reference)
    b = normalise(candidate)
    if not a and not b:
        return 1.0
    return 2.0 * lcs_length(a, b) / (len(a) + len(b))
