#!/usr/bin/env bash
# The settings-owner check itself, on scratch trees: one owner per key passes;
# a key written from a second file, a key read beside its owner and a key two
# files read raw each fail with the key and the files named.
#   check_settings_owners_selftest.sh CHECK_SCRIPT
set -euo pipefail
check=${1:?check_settings_owners.py}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

tree() {
  rm -rf "$scratch/src"
  mkdir -p "$scratch/src"/{settings,archive/ui,app}
  cat > "$scratch/src/archive/backup.cpp" <<'CPP'
void BackupSettings::load(const TZkwIni& settings) {
    folder = settings.readString(u"Config", u"BackUp", defaultFolder());
    counts = readSettingsList(settings, u"Config", u"Progres");
}
void BackupSettings::save(TZkwIni& settings) const {
    settings.writeString(u"Config", u"BackUp", folder);
    settings.writeString(
        u"Config", u"Progres", text);
}
CPP
  printf 'void f(TZkwIni& ini) { ini.writeInteger(u"Kankyo", u"Gosa", 3); }\n' \
    > "$scratch/src/settings/kankyo.cpp"
}

expect_fail() {  # what it is about, the texts the failure must name
  local what=$1 out
  shift
  if out=$(python3 "$check" "$scratch/src" 2>&1); then
    echo "FAIL: the check passed with $what"
    exit 1
  fi
  for text in "$@"; do
    if ! grep -qF "$text" <<<"$out"; then
      echo "FAIL: the check did not name '$text' for $what:"
      echo "$out"
      exit 1
    fi
  done
}

tree
python3 "$check" "$scratch/src" >/dev/null || { echo "FAIL: a tree with one owner per key did not pass"; exit 1; }

tree
printf 'void g(TZkwIni& s) {\n    s.writeString(QStringLiteral("Config"),\n                  u"Progres"_s, t);\n}\n' \
  > "$scratch/src/app/main_state.cpp"
expect_fail "a second writer (a call over lines)" "[config] progres: written from 2 files" \
  "app/main_state.cpp:2" "archive/backup.cpp:7"

tree
printf 'void h(TZkwIni& s) { s.writeString(u"config", u"BACKUP", x); }\n' \
  > "$scratch/src/archive/ui/backup_dialog.cpp"
expect_fail "a second writer in another letter case" "[config] backup: written from 2 files" \
  "archive/ui/backup_dialog.cpp:1"

tree
printf 'int k(const TZkwIni& s) { return s.readInteger(u"Kankyo", u"Gosa", 0); }\n' \
  > "$scratch/src/app/main_state.cpp"
expect_fail "a read beside the owner" "[kankyo] gosa: read outside its owner settings/kankyo.cpp" \
  "app/main_state.cpp:1"

tree
printf 'QString a(const TZkwIni& s) { return s.readString(u"Option", u"CaFile", {}); }\n' \
  > "$scratch/src/app/main_state.cpp"
printf 'QString b(const TZkwIni& s) { return s.readString(u"Option", u"CaFile", {}); }\n' \
  > "$scratch/src/settings/comm.cpp"
expect_fail "a key read raw in two files" "[option] cafile: read from 2 files"

echo "settings owner check self-test: ok"
