#!/usr/bin/env bash
# The picture library benchmark: kxbench.exe under Wine times our work in memory, then ImageMagick
# and libvips do the same work file to file on the uncompressed TIFF; each figure is printed with
# our time divided by the peer's. Called by `./run bench` (tools/env.sh) with the X server up.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build="${KX_BUILD_DIR:-$here/../build}"
work="$build/bench"
sample="$build/samples/astronaut.png"
rm -rf "$work"; mkdir -p "$work"
winpath() { echo "Z:$(echo "$1" | tr '/' '\\')"; }

ours=$("$here/wine-run" "$build/bin/kxbench.exe" "$(winpath "$sample")" "$(winpath "$work")" | tr -d '\r')
dialog=$("$here/wine-run" "$build/bin/kxbenchdlg.exe" "$(winpath "$sample")" "$(winpath "$work")" | tr -d '\r')
quick=$("$here/wine-run" "$build/bin/kxbenchquick.exe" "$(winpath "$sample")" "$(winpath "$work")" | tr -d '\r')
get() { echo "$ours" | awk -v k="$1" '$1 == k { print $2 }'; }
dget() { echo "$dialog" | awk -v k="$1" '$1 == k { print $2 }'; }
qget() { echo "$quick" | awk -v k="$1" '$1 == k { print $2 }'; }

# Wall time of a command in milliseconds, the fastest of three runs.
ms() {
  local best="" t0 t1 t i
  for i in 1 2 3; do
    t0=$(date +%s%N); "$@" >/dev/null 2>&1 || echo "peer command failed: $*" >&2; t1=$(date +%s%N)
    t=$(( (t1 - t0) / 1000000 ))
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  echo "$best"
}

cd "$work"
printf '3 3 1 0\n1.078 0 0\n-0.039 1 0\n-0.039 0 1\n' > balance.mat
vips_chain() {
  vips recomb big.tif t1.v balance.mat &&
  vips linear -- t1.v t2.v 1.1 -2.8 &&
  vips colourspace t2.v t3.v lch &&
  vips linear t3.v t4.v "1 1.3 1" "0 0 0" &&
  vips colourspace t4.v t5.v srgb &&
  vips gamma t5.v t6.v --exponent 0.8333 &&
  vips linear t6.v t7.v 0.9 10 --uchar &&
  vips sharpen t7.v out.tif
}
im_chain() {
  convert big.tif -color-matrix "1.078 -0.039 -0.039 0 1 0 0 0 1" -brightness-contrast 4x10 \
          -modulate 100,130,100 -gamma 1.2 +level 10,245 -unsharp 0x1+0.3+0 out.tif
}

vips_io=$(ms vips copy big.tif out.tif)
im_io=$(ms convert big.tif out.tif)
vips_chain_ms=$(ms vips_chain)
im_chain_ms=$(ms im_chain)
vips_reduce=$(ms vips thumbnail big.tif out.tif 800 --height 600 --size force)
im_reduce=$(ms convert big.tif -filter Lanczos -resize '800x600!' out.tif)
vips_rot=$(ms vips rot big.tif out.tif d90)
im_rot=$(ms convert big.tif -rotate 90 out.tif)
vips_jpeg=$(ms vips copy big.jpg out.jpg)
im_jpeg=$(ms convert big.jpg out.jpg)

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a != "" && b > 0) printf "%.3f", a / b; else printf "-" }'; }
row() { printf '%-34s %10s %10s %10s %9s %9s\n' "$1" "$2" "$3" "$4" "$(ratio "$2" "$3")" "$(ratio "$2" "$4")"; }

echo "24 MP = 6000 x 4000 x 3 bytes, $(nproc) cores; ours in memory under Wine, peers file to file (ms)"
printf '%-34s %10s %10s %10s %9s %9s\n' "work" "ours" "vips" "convert" "ours/vips" "ours/IM"
row "adjustment chain, 24 MP" "$(get chain_full)" "$vips_chain_ms" "$im_chain_ms"
row "adjustment chain, 800x600" "$(get chain_preview)" "" ""
row "mode-2 reduction to 800x600" "$(get reduce)" "$vips_reduce" "$im_reduce"
row "quarter turn" "$(get quarter_turn)" "$vips_rot" "$im_rot"
row "peer TIFF read + write alone" "" "$vips_io" "$im_io"
row "chain minus peer TIFF I/O" "$(get chain_full)" "$((vips_chain_ms - vips_io))" "$((im_chain_ms - im_io))"
row "reduction minus peer TIFF I/O" "$(get reduce)" "$((vips_reduce - vips_io))" "$((im_reduce - im_io))"
row "quarter turn minus peer TIFF I/O" "$(get quarter_turn)" "$((vips_rot - vips_io))" "$((im_rot - im_io))"
row "JPEG load + save" "$(awk -v a="$(get load_jpeg)" -v b="$(get save_jpeg)" 'BEGIN{print a+b}')" "$vips_jpeg" "$im_jpeg"
echo
echo "chain steps alone, 24 MP (ms): $(echo "$ours" | awk '$1 ~ /^step_/ { printf "%s %s  ", substr($1, 6), $2 }')"
echo "codecs (ours through WIC under Wine):"
printf '  JPEG load %s ms (raw WIC decode %s ms, overhead %s), save %s ms\n' "$(get load_jpeg)" "$(get raw_decode_jpeg)" \
  "$(awk -v a="$(get load_jpeg)" -v b="$(get raw_decode_jpeg)" 'BEGIN{printf "%+.1f%%", (a/b-1)*100}')" "$(get save_jpeg)"
printf '  TIFF load %s ms (raw WIC decode %s ms, overhead %s), save %s ms\n' "$(get load_tiff)" "$(get raw_decode_tiff)" \
  "$(awk -v a="$(get load_tiff)" -v b="$(get raw_decode_tiff)" 'BEGIN{printf "%+.1f%%", (a/b-1)*100}')" "$(get save_tiff)"
printf '  peak extra memory of the chain: %s MB (one full-size buffer is %s MB)\n' "$(get peak_extra_mb)" "$(get full_buffer_mb)"
for layout in small large; do
  echo "adjustment dialog ($layout template) on the 24 MP host picture, view $(dget ${layout}_view):"
  for k in brightness hue_saturation all_steps; do
    printf '  slider step -> after view painted, %-15s best %s ms, median %s ms (view changed %s)\n' "$k:" \
      "$(dget ${layout}_slider_${k}_best)" "$(dget ${layout}_slider_${k}_median)" "$(dget ${layout}_slider_${k}_changed)"
  done
  printf '  opening the dialog %s ms; "确定" until DoModal returned %s ms (picture changed %s)\n' \
    "$(dget ${layout}_open_dialog)" "$(dget ${layout}_ok_full_size)" "$(dget ${layout}_ok_changed_picture)"
done
echo "quick adjustment dialogs on the 24 MP host picture, slider step -> preview painted:"
for k in ibac ihue gray; do
  printf '  %-5s best %s ms, median %s ms (view changed %s), opening %s ms\n' "$k" "$(qget ${k}_slider_best)" \
    "$(qget ${k}_slider_median)" "$(qget ${k}_slider_changed)" "$(qget ${k}_open)"
done
printf 'thumbnail form on %s selected thumbnails, slider step -> list repainted: best %s ms, median %s ms (list changed %s), opening %s ms\n' \
  "$(qget cbar_thumbnails)" "$(qget cbar_slider_best)" "$(qget cbar_slider_median)" "$(qget cbar_slider_changed)" "$(qget cbar_open)"
echo "goals: quick dialog slider step -> preview <= 10 ms; thumbnail form <= 100 ms a step on 200 thumbnails"
echo "goals: slider step -> view <= 16 ms; chain <= 100 ms, preview chain <= 5 ms, reduction <= 25 ms, quarter turn <= 20 ms, >= 4x vips, >= 20x IM"
