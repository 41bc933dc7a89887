#!/usr/bin/env bash
# Counts the distinct glyph shapes on the first text line of a message box's screenshot: the
# box's caption band, then its icon, are left out; the first band of ink rows right of the icon
# is the line; blank columns cut it into glyphs, and equal bitmaps count once. Characters that
# the font lacks all draw the same empty box, so a line of them has very few shapes.
# usage: glyph-shapes.sh BOX_SCREENSHOT   prints "glyphs N shapes M"
set -euo pipefail
convert "$1" -colorspace Gray -threshold 60% -compress none pbm:- | awk '
  # Plain PBM: "P1", width and height, then one digit (1 = ink) per pixel.
  NR == 1 { next }
  !size { w = $1; h = $2; size = 1; next }
  { for (i = 1; i <= NF; i++) { n = length($i); for (j = 1; j <= n; j++) {
      ink[int(k / w), k % w] = substr($i, j, 1) == "1"; k++ } } }
  function row_ink(y, from, to,   x, c) { c = 0; for (x = from; x <= to; x++) c += ink[y, x]; return c }
  function col_ink(x, top, bottom,   y, c) { c = 0; for (y = top; y <= bottom; y++) c += ink[y, x]; return c }
  END {
    # The caption: the rows at the top that are mostly ink, up to the first blank row after.
    top = 0
    for (y = 0; y < h && y < 60; y++) if (row_ink(y, 0, w - 1) > w / 2) top = y + 1
    while (top < h && row_ink(top, 0, w - 1) > w / 20) top++
    # The frame: rows and columns inked most of their length are borders, not content.
    bottom = h - 1; while (bottom > top && row_ink(bottom, 0, w - 1) > w / 2) bottom--
    left = 0; while (left < w && col_ink(left, top, bottom) > (bottom - top) / 2) left++
    right = w - 1; while (right > left && col_ink(right, top, bottom) > (bottom - top) / 2) right--
    # The icon: the first run of inked columns; the text starts after it.
    x = left; while (x < right && col_ink(x, top, bottom) == 0) x++
    while (x < right && col_ink(x, top, bottom) > 0) x++
    text = x
    # The first line: the first band of rows with ink right of the icon.
    y = top; while (y < bottom && row_ink(y, text, right) == 0) y++
    first = y; while (y < bottom && row_ink(y, text, right) > 0) y++
    last = y - 1
    glyphs = 0
    for (x = text; x <= right; ) {
      if (col_ink(x, first, last) == 0) { x++; continue }
      shape = ""
      for (; x <= right && col_ink(x, first, last) > 0; x++) {
        col = ""; for (y = first; y <= last; y++) col = col ink[y, x]; shape = shape col "|"
      }
      glyphs++; if (!(shape in seen)) { seen[shape] = 1; shapes++ }
    }
    printf "glyphs %d shapes %d\n", glyphs, shapes
  }'
