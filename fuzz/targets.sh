# The fuzz targets and the libFuzzer options each one runs with (sourced by scripts/fuzz-ci.sh and
# fuzz/campaign.sh; POSIX sh). Paths are relative to the repository's root.
#
# -max_len fits each format: a help file, a metafile page and a settings file of a few kilobytes
# reach every construct their readers know; album files use 512-byte pages, so 16 pages; JPEG
# headers and a few scans fit in 4 KB, as do a few vCards with a small photo.

MOVRA_FUZZ_TARGETS="fuzz_rtf fuzz_emf fuzz_jpeg fuzz_ini fuzz_album fuzz_vcard"

# Where a target's seeds are: fuzz/<area>/corpus.
movra_fuzz_area() {
    echo "${1#fuzz_}"
}

movra_fuzz_options() {
    case $1 in
    fuzz_rtf) echo "-max_len=8192 -dict=fuzz/rtf/rtf.dict" ;;
    fuzz_emf) echo "-max_len=8192" ;;
    fuzz_jpeg) echo "-max_len=4096" ;;
    fuzz_ini) echo "-max_len=2048 -dict=fuzz/ini/ini.dict" ;;
    fuzz_album) echo "-max_len=8192 -dict=fuzz/album/album.dict" ;;
    fuzz_vcard) echo "-max_len=4096 -dict=fuzz/vcard/vcard.dict" ;;
    *) echo "movra_fuzz_options: unknown target $1" >&2; return 1 ;;
    esac
}

# Every run: a hang is an input that takes over 10 s, a huge allocation one over 2 GB.
MOVRA_FUZZ_COMMON="-timeout=10 -rss_limit_mb=2048 -print_final_stats=1"
