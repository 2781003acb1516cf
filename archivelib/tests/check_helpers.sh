# Sourced by the scripts that check archives on the Linux side: counted
# failures, Wine paths of Linux paths and code page 932 conversions.
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
winpath() { local p=${1//\//\\}; echo "Z:$p"; }   # Z: is the Linux root under Wine
cp932() { iconv -f UTF-8 -t CP932; }
utf8() { iconv -f CP932 -t UTF-8; }
