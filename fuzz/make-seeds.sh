#!/usr/bin/env bash
# Writes hand-made hostile track files into the directory DIR, as seeds for
# the loader's fuzzer: the edges of the line reader (empty input, overlong
# lines, NUL bytes, CR LF, no final newline) and of the fix parser
# (nan, inf, overflowing and out-of-range numbers, a receiver standing
# still, jumps across the Earth) and of the altitude after the speed.
#
#   fuzz/make-seeds.sh DIR
set -euo pipefail

[ $# -eq 1 ] || { echo "usage: fuzz/make-seeds.sh DIR" >&2; exit 2; }
dir=$1
mkdir -p "$dir"

fix='D=2010-08-05T14:23:59,P=45.7721750 14.3576592,V=0.385'

seed() { printf "$2" >"$dir/hostile-$1.track"; }

seed empty ''
seed only-white-space ' \t\n\n  \r\n\v\f\n'
seed lone-d 'D\nD=\nD=2010\n'
seed no-final-newline "$fix\nD=2010-08-05T14:24:09,P=45.7722 14.3577,V=1"
seed crlf "$fix\r\n$fix\r\nD=2010-08-05T14:24:19,P=45.7723 14.3578,V=2\r\n"
seed nul-bytes "D=2010-08-05T14:23:59,P=45.77\x002 14.35,V=0\n\x00\x00$fix\nD\x00=\n"
seed nan-inf "D=2010-08-05T14:23:59,P=nan 14.35,V=0\nD=2010-08-05T14:23:59,P=45.7 inf,V=0\nD=2010-08-05T14:23:59,P=45.7 14.3,V=-inf\nD=2010-08-05T14:23:nan,P=45.7 14.3,V=0\n$fix\n"
seed overflow "D=2010-08-05T14:23:59,P=1e39 14.35,V=0\nD=2010-08-05T14:23:59,P=45.7 -3e39,V=0\nD=2010-08-05T14:23:59,P=45.7 0x1p128,V=0\nD=99999999999-8-5T99999999999:-2147483649:1e39,P=45.7 14.3,V=1\n$fix\n"
seed latitude-edges "D=2010-08-05T14:23:59,P=90 0,V=0\nD=2010-08-05T14:23:59,P=-90 180,V=0\nD=2010-08-05T14:23:59,P=90.0000001 0,V=0\nD=2010-08-05T14:23:59,P=-90.0001 0,V=0\nD=2010-08-05T14:23:59,P=0 3.4e38,V=0\nD=2010-08-05T14:23:59,P=1e-45 -1e-45,V=0\n"
seed standing-still "$fix\n$fix\n$fix\n$fix\n$fix\n"
seed antipodes "D=2010-08-05T14:23:59,P=45 14,V=0\nD=2010-08-05T14:24:00,P=-45 -166,V=0\nD=2010-08-05T14:24:01,P=45 14,V=0\nD=2010-08-05T14:24:02,P=-45 -166,V=0\n"
# Across a ten-kilometre display block edge of the first fix.
seed block-edge "D=2010-08-05T14:23:59,P=45.75 14.25,V=1\nD=2010-08-05T14:24:09,P=45.80 14.30,V=1\nD=2010-08-05T14:24:19,P=45.85 14.35,V=1\nD=2010-08-05T14:24:29,P=45.90 14.40,V=1\n"

# One line of 300 bytes whose fix goes on past the 255th; one of exactly 255.
pad=$(printf '%*s' 300 '' | tr ' ' 'x')
seed long-line "D=2010-08-05T14:23:59,P=45.7721750 14.35765920000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000001,V=0.385\n$fix\n"
line255=$(printf '%s%s' "$fix" "$pad" | cut -c1-255)
seed line-255 "$line255\n$line255$pad\n$fix\n"
# Many lines, each a short piece of a fix, to stress the line counter.
many=""
for _ in $(seq 200); do many+="D=1\n \n"; done
seed many-short-lines "$many$fix\n"

# The altitude field after the speed, A= and one number; anything else after
# the speed is ignored. A line ending with the speed or with the empty field
# gpsbabel writes for an unknown altitude stands beside each kind.
at='D=2010-08-05T14:25:08,P=45.7720898 14.3575674,V=0.385'
seed altitude "$at,A=551.0\n$at,A=0\n$at,\n$fix\n$at,A=-0.0\n"
seed altitude-white-space "$at ,A=551.0\n$at \t ,A=551.0\n$at\t,A=551.0\n$at,A= 551.0\n$at,A=551.0 \n$at, A=551.0\n"
seed altitude-negative "$at,A=-430.5\n$at,A=-5000\n$at,A=-0\n$at,A=--5\n$at,A=+551\n"
seed altitude-out-of-range "$at,A=1e6\n$at,A=-5000\n$at,A=1e39\n$at,A=-1e39\n$at,A=0x1p128\n$at,A=99999999999999999999999\n$at,A=1e-46\n"
seed altitude-nan-inf "$at,A=nan\n$at,A=inf\n$at,A=-inf\n$at,A=NAN(1)\n$at,A=infinity\n$fix\n"
seed altitude-junk "$at,A=551.0m\n$at,A=551.0,X=1\n$at,A=5.5.5\n$at,A=abc\n$at,A=551.0\x00junk\n$at,A=551.0\r\n"
seed altitude-empty "$at,A=\n$at,A=\r\n$at,A= \n$at,A="
seed altitude-twice "$at,A=551.0,A=552.0\n$at,A=,A=551.0\n$at,A=A=551.0\n$at,A=551.0,A=\n"
seed altitude-misplaced "$at,a=551.0\n$at,,A=551.0\n$at;A=551.0\nD=2010-08-05T14:25:08,P=45.7720898 14.3575674,A=551.0\nD=2010-08-05T14:25:08,P=45.7720898 14.3575674,A=551.0,V=0.385\n$at,A\n"
