#!/bin/sh
# Makes the seed album files of fuzz_album with the sqlite3 shell and the program's own schema:
# small pages (512 bytes) so that each file stays a few kilobytes, texts as Windows-1250 bytes
# with CR LF line breaks, photos from the JPEG seeds. Run from anywhere; writes corpus/.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=$here/corpus
jpegs=$here/../jpeg/corpus
schema=$(sed -n 's/^ *"\(CREATE TABLE album.*\)$/\1/p; s/^ *"\(VARCHAR(20).*\);";$/\1;/p' \
    "$here/../../album/AlbumFile.h" | tr -d '\n' | sed 's/"//g; s/ *$//')
case $schema in
"CREATE TABLE album ("*"COLLATE NOCASE);") ;;
*) echo "make_seeds.sh: cannot read the schema from album/AlbumFile.h: $schema" >&2; exit 1 ;;
esac
mkdir -p "$out"

# The fuzz target reads the low byte of the header's application ID (which SQLite ignores) as
# the commands to run after reading: 1 add, save and delete a record, 2 regenerate.
make() { # name, commands, SQL after the schema
    rm -f "$out/$1"
    sqlite3 "$out/$1" "PRAGMA page_size=512; PRAGMA application_id=$2; $schema $3 VACUUM;"
}

# A Windows-1250 text: the hex bytes as a TEXT value.
t() { printf "CAST(X'%s' AS TEXT)" "$1"; }

make empty.db3 2 ""
# As a new file holds it: one record without a picture.
make one.db3 1 "INSERT INTO album(ID,Imie,Nazwisko,Ksywa,Notes,Adres) VALUES (NULL,'pusty','zero','zero','','');"
# Three people with photos: Łucja Żółkiewska, Paweł Śliwa, Ewa Nowak; notes of two lines.
make three.db3 3 "
INSERT INTO album VALUES (1, $(t a3756a6361), $(t aff3b36b696577736b61), $(t c66d61),
  $(t 7069657277737a610d0a647275676120b36f6b6174), $(t 756c2e208f72f364b3616e6120310d0a4b72616bf377), readfile('$jpegs/gray.jpg'));
INSERT INTO album VALUES (2, 'Pawe' || $(t b3), $(t 8c6c69776120272727), 'Szpak', '', $(t 'b9e6eab3f1f39c9fbf'), readfile('$jpegs/s411.jpg'));
INSERT INTO album VALUES (5, 'Ewa', 'Nowak', '', 'O''Brien', '', readfile('$jpegs/prog422.jpg'));"
# A photo that is not a JPEG, and a NULL one, beside a good one.
make damaged-photo.db3 3 "
INSERT INTO album VALUES (1, 'Adam', 'Kot', 'Kotek', 'a', 'b', X'FFD8FFE000104A464946');
INSERT INTO album VALUES (2, 'Ola', 'Lis', '', '', '', NULL);
INSERT INTO album VALUES (3, 'Jan', 'Wilk', '', '', '', readfile('$jpegs/cmyk.jpg'));"
# Files that bring code of their own: a view of endless rows and a computed column, which opening
# refuses, and a trigger that refuses every new record.
rm -f "$out/view.db3" "$out/computed.db3" "$out/trigger.db3"
sqlite3 "$out/view.db3" "PRAGMA page_size=512; CREATE VIEW album AS WITH RECURSIVE c(x) AS
  (SELECT 1 UNION ALL SELECT x+1 FROM c) SELECT x AS ID, 'a' AS Imie, 'b' AS Nazwisko,
  'c' AS Ksywa, '' AS Notes, '' AS Adres, NULL AS Picture FROM c;"
make computed.db3 1 "ALTER TABLE album ADD COLUMN Big BLOB AS (zeroblob(900000000));
  INSERT INTO album(Imie) VALUES ('Jan');"
make trigger.db3 1 "INSERT INTO album VALUES (1, 'Jan', 'Kos', '', '', '', NULL);
  CREATE TRIGGER t BEFORE INSERT ON album BEGIN SELECT RAISE(ABORT, 'nie'); END;"
ls -l "$out"
