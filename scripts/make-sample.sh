#!/usr/bin/env bash
# Makes a small sample pair of folders under DIR: originals/ and copies/, the
# copies carrying the one-hour drift of a copy across a daylight-saving change.
set -euo pipefail
dir=${1:?usage: make-sample.sh DIR}
rm -rf "$dir/originals" "$dir/copies"
mkdir -p "$dir/originals/2010/vacances" "$dir/copies/2010/vacances"
export TZ=Europe/Paris

# file CONTENT ORIGINAL_TIME COPY_TIME NAME: an original and its copy.
pair() {
  printf '%s' "$1" > "$dir/originals/$4"
  printf '%s' "$1" > "$dir/copies/$4"
  touch -d "$2" "$dir/originals/$4"
  touch -d "$3" "$dir/copies/$4"
}
pair "plage"      "2010-07-14 09:05:03" "2010-07-14 10:05:03" "2010/vacances/plage.jpg"
pair "montagne"   "2010-08-02 16:40:00" "2010-08-02 17:40:00" "2010/vacances/montagne.jpg"
pair "neige"      "2010-01-20 11:00:00" "2010-01-20 10:00:00" "2010/neige.jpg"
pair "lettre"     "2011-03-01 08:30:00" "2011-03-01 09:30:00" "lettre.txt"
pair "identique"  "2011-05-05 12:00:00" "2011-05-05 12:00:00" "identique.txt"
pair "decale"     "2011-05-05 12:00:00" "2011-05-05 12:30:00" "demi-heure.txt"
# A copy of another size is left alone, and so is a copy without original.
printf 'court' > "$dir/originals/taille.txt"; touch -d "2011-06-01 10:00:00" "$dir/originals/taille.txt"
printf 'plus long' > "$dir/copies/taille.txt"; touch -d "2011-06-01 11:00:00" "$dir/copies/taille.txt"
printf 'seule' > "$dir/copies/sans-original.txt"; touch -d "2011-06-01 11:00:00" "$dir/copies/sans-original.txt"
