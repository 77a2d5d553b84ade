#!/usr/bin/env bash
# translations.sh update|check: the English translation of the window, i18n/vq830_en.ts.
#   update  finds the texts of the sources (lupdate) and puts the new ones into the file, to be
#           translated there; texts gone from the sources leave it.
#   check   fails when the file is not complete: a text of the sources not in it, one in it not
#           translated, or one the sources no longer have (the file itself is left unchanged).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
lupdate="${LUPDATE:-$(command -v lupdate6 || command -v lupdate || echo /usr/lib/qt6/bin/lupdate)}"
[ -x "$lupdate" ] || lupdate=/usr/lib/qt6/bin/lupdate
ts="$root/i18n/vq830_en.ts"
# Every file of the programs' code, headers first (lupdate learns the classes from them); the
# sources are Chinese, the translation English.
folders=(app cli config finder i18n ports protocol records session ui)
mapfile -t sources < <(cd "$root" && { find "${folders[@]}" -name '*.h' | sort
                                       find "${folders[@]}" -name '*.cpp' | sort; })

run_lupdate() { # TS-FILE EXTRA-OPTIONS...
  local file="$1"; shift
  # VQ830_TRANSLATE_NOOP marks the texts of the code without Qt (protocol/text_marks.h).
  (cd "$root" && "$lupdate" -silent -locations none -source-language zh_CN -target-language en \
    -tr-function-alias QT_TRANSLATE_NOOP+=VQ830_TRANSLATE_NOOP \
    "$@" "${sources[@]}" -ts "$file") \
    2> >(grep -v -e "Qualifying with unknown namespace/class" -e "undeclared qualified class" >&2)
}

case "${1:-}" in
update)
  run_lupdate "$ts" -no-obsolete
  ;;
check)
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  cp "$ts" "$work/check.ts"
  run_lupdate "$work/check.ts"
  python3 - "$work/check.ts" <<'PY'
import sys, xml.etree.ElementTree as ET
bad = []
for context in ET.parse(sys.argv[1]).getroot().iter('context'):
    name = context.findtext('name')
    for m in context.iter('message'):
        translation = m.find('translation')
        kind = translation.get('type')
        forms = [f.text for f in translation.iter('numerusform')] or [translation.text]
        if kind or not all((f or '').strip() for f in forms):
            bad.append(f"{kind or 'empty'}: {name}: {m.findtext('source')!r}")
for line in bad:
    print(line)
print(f"translations: {len(bad)} text(s) not translated or gone from the sources" if bad
      else "translations: complete")
sys.exit(1 if bad else 0)
PY
  ;;
*)
  echo "usage: $0 update|check" >&2
  exit 2
  ;;
esac
