#!/bin/bash
# Signing, as scripts/package does it, with a certificate made here and now
# (a throwaway self-signed one; no network, so no timestamp): every shipped
# program of a copy of the mingw32 tree's bin/, then the package built from
# them, and the package last.
#   msi_sign_test.sh BUILDDIR WORKDIR VERSION
# Checked with `osslsigncode verify` against that certificate and with the
# shipped-program check's signature test; the closer the package carries
# in its Binary table is taken out again and checked too. A changed byte
# must break a signature, and an unsigned program must fail the check.
set -uo pipefail
. "$(dirname "$0")/msi_start.sh" 3 "msi_sign_test.sh BUILDDIR WORKDIR VERSION" "$@"
build=$(cd "$1" && pwd) work=$2 version=$3
for tool in openssl osslsigncode python3; do
  command -v $tool >/dev/null || fail "$tool is missing: run scripts/setup"
done

rm -rf "$work" && mkdir -p "$work/tree/bin" || fail "cannot create $work"
work=$(cd "$work" && pwd)
programs=(DadaVizi DadaViziStatus DadaViziCheck DadaViziIpp DadaViziRelay DadaViziClose DadaViziStart)
for program in "${programs[@]}"; do
  cp "$build/bin/$program.exe" "$work/tree/bin/" || fail "no $program.exe in $build/bin"
done
ln -s "$build/packaging" "$work/tree/packaging" || fail "cannot link the text files"

# A code-signing certificate of two days, made for this run only.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=DadaVizi test signer" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" \
  >"$work/openssl.log" 2>&1 || fail "making the certificate: $(cat "$work/openssl.log")"

unsigned=$("$root/packaging/sign" --configured; echo $?)
[ "$unsigned" = 3 ] || fail "signing counts as configured without a certificate (exit code $unsigned)"
export DADAVIZI_SIGN_CERT=$work/cert.pem DADAVIZI_SIGN_KEY=$work/key.pem
check_signed() { # FILE WHAT
  osslsigncode verify -in "$1" -CAfile "$work/cert.pem" >"$work/verify.log" 2>&1 &&
    grep -q 'Signature verification: ok' "$work/verify.log" ||
    fail "$2 does not verify: $(tail -n 5 "$work/verify.log")"
  grep -q 'Message digest algorithm *: SHA256' "$work/verify.log" || fail "$2 is not signed with SHA-256"
}

for program in "${programs[@]}"; do
  file=$work/tree/bin/$program.exe
  "$root/packaging/sign" "$file" >"$work/sign.log" 2>&1 || fail "signing $program.exe: $(cat "$work/sign.log")"
  check_signed "$file" "$program.exe"
  python3 "$root/cmake/pe-check.py" --bits 32 --signed "$file" >"$work/pe-check.log" ||
    fail "the shipped-program check finds no signature in $program.exe: $(cat "$work/pe-check.log")"
done
pass "every program signed and verified: ${programs[*]}"

msi=$work/DadaVizi-$version-x86.msi
timeout 120 "$root/packaging/build-msi" --build "$work/tree" --version "$version" --out "$msi" \
  >"$work/build-msi.log" 2>&1 || fail "building the package: $(cat "$work/build-msi.log")"
"$root/packaging/sign" "$msi" >"$work/sign.log" 2>&1 || fail "signing the package: $(cat "$work/sign.log")"
check_signed "$msi" "the package"
(cd "$work" && msiinfo extract "$msi" Binary.DadaViziClose >"$work/closer.exe") &&
  check_signed "$work/closer.exe" "the closer in the package's Binary table"
pass "the package is signed, and so is the closer it carries"

# Signing again replaces the signature rather than adding a second one.
"$root/packaging/sign" "$work/tree/bin/DadaVizi.exe" >"$work/sign.log" 2>&1 || fail "signing again"
check_signed "$work/tree/bin/DadaVizi.exe" "DadaVizi.exe signed twice"
grep -q 'Number of verified signatures: 1' "$work/verify.log" || fail "signing twice left more than one signature"

# The faults: a changed byte, and a program never signed.
cp "$work/tree/bin/DadaViziStatus.exe" "$work/changed.exe" &&
  printf 'X' | dd of="$work/changed.exe" bs=1 seek=1024 conv=notrunc status=none || fail "changing a byte"
osslsigncode verify -in "$work/changed.exe" -CAfile "$work/cert.pem" >"$work/changed.log" 2>&1 &&
  fail "a signed program with a changed byte still verifies"
# The build tree's own program may be signed already (scripts/package
# signs in place): its signature is taken off for this.
osslsigncode remove-signature -in "$build/bin/DadaViziStart.exe" -out "$work/unsigned.exe" >/dev/null 2>&1 ||
  cp "$build/bin/DadaViziStart.exe" "$work/unsigned.exe" || fail "copying an unsigned program"
python3 "$root/cmake/pe-check.py" --bits 32 --signed "$work/unsigned.exe" >"$work/unsigned.log" &&
  fail "the shipped-program check passes an unsigned program as signed"
grep -q 'no signature' "$work/unsigned.log" || fail "the check does not say the program is unsigned: $(cat "$work/unsigned.log")"
pass "a changed byte breaks the signature; an unsigned program fails the check"
