#!/bin/sh
# Makes the tables of this folder. The spreadsheet tables are written by LibreOffice Calc
# (headless) from small spreadsheets made here, under an English and a German locale; the
# hostile ones are written byte for byte. Run from anywhere; needs soffice
# (Debian: libreoffice-calc-nogui).
#
# What decides the decimal separator of the export is the locale LibreOffice starts in:
# LANG=de_DE.UTF-8 gives decimal commas (the glibc locale need not be installed), and
# LANG=en_US.UTF-8 decimal points. The language token of the filter options (the sixth)
# does not change an export. Filter options: field separator (44 comma, 59 semicolon,
# 9 tab), text delimiter (34 quote), character set (76 UTF-8, 12 Latin-1).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A spreadsheet from rows of cells separated by "|": numbers become number cells,
# anything else text cells, nothing an empty cell.
spreadsheet() {
    awk -F'|' '
    BEGIN {
        print "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        print "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\"" \
              " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\"" \
              " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\"" \
              " office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">"
        print "<office:body><office:spreadsheet><table:table table:name=\"Sheet1\">"
    }
    {
        printf "<table:table-row>"
        for (i = 1; i <= NF; i++) {
            if ($i == "") printf "<table:table-cell/>"
            else if ($i ~ /^-?[0-9.]+([eE]-?[0-9]+)?$/)
                printf "<table:table-cell office:value-type=\"float\" office:value=\"%s\"/>", $i
            else printf "<table:table-cell office:value-type=\"string\"><text:p>%s</text:p></table:table-cell>", $i
        }
        print "</table:table-row>"
    }
    END { print "</table:table></office:spreadsheet></office:body></office:document>" }'
}

# export <source name> <locale> <separator token> <charset token> <table file>
export_table() {
    rm -rf "$work/out"
    LANG=$2 soffice -env:UserInstallation="file://$work/profile-$2" --headless \
        --convert-to "csv:Text - txt - csv (StarCalc):$3,34,$4" --outdir "$work/out" "$work/$1.fods" >/dev/null 2>&1
    mv "$work/out/$1.csv" "$here/$5"
}

spreadsheet > "$work/s_v.fods" <<'ROWS'
S|v
0.02|76
0.05|151.5
0.1|232.4
0.2|310
0.5|365.2
1|384.7
2|391.3
5|395
ROWS
export_table s_v de_DE.UTF-8 59 76 de_s_v_semicolons.csv

spreadsheet > "$work/conc_rate.fods" <<'ROWS'
conc|rate
0.000015|0.0081
0.001|0.52
0.002|1.01
0.005|2.38
0.01|4.2
0.02|6.9
0.05|10.4
0.1|12.1
ROWS
export_table conc_rate en_US.UTF-8 44 76 en_conc_rate.csv

# a plate reader's three conditions in triplicate; one well over the range, one not read
spreadsheet > "$work/plate.fods" <<'ROWS'
S (mM)|WT|WT|WT|Mut|Mut|Mut|Inh|Inh|Inh
0.05|10.2|9.8|10.5|4.1|4.3|3.9|2.2|2.5|2.1
0.1|19.5|20.3|19.9|8.2|7.9|8.4|4.6|4.4|4.9
0.25|41.7|40.9|42.3|18.8|19.4|18.1|10.9|11.3|10.4
0.5|63.5|64.8|62.9|31.2|30.5|32|19.8|20.4|
1|80.2|OVER|81.1|45.6|44.9|46.3|31.5|30.8|32.2
2.5|94.1|93.2|95|61.2|62|60.5|48.7|49.5|47.9
5|98.3|97.6|99|68.9|69.5|68.2|58.4|57.6|59.1
ROWS
export_table plate en_US.UTF-8 44 76 en_plate_wide.csv
export_table plate de_DE.UTF-8 59 76 de_plate_wide.csv

# a long table; a condition with the separator in its name, conditions met again later
spreadsheet > "$work/conditions.fods" <<'ROWS'
condition|S (mM)|v (U/mg)
WT, 25 °C|0.1|12.5
WT, 25 °C|0.5|40.2
WT, 25 °C|2|71.8
Hemmer 5 µM|0.1|5.1
Hemmer 5 µM|0.5|18.9
WT, 25 °C|5|80.4
Hemmer 5 µM|2|39.6
Hemmer 5 µM|5|50.3
ROWS
export_table conditions en_US.UTF-8 44 76 en_long_condition.csv
export_table conditions de_DE.UTF-8 59 12 de_long_condition_latin1.csv

spreadsheet > "$work/tabs.fods" <<'ROWS'
[S] (µM)|velocity (nmol/min)
1.5|0.33
3|0.61
6|1.02
12|1.49
24|1.87
ROWS
export_table tabs en_US.UTF-8 9 76 en_tabs.tsv

# Hostile tables, byte for byte.
# A byte order mark, CR LF, quoted names with semicolons, decimal commas, a trailing separator.
printf '\357\273\277"Sample";"S";"v";\r\n"A;1";0,5;10;\r\n"A;1";1;"18,5";\r\n\r\n"B ""neu""";0,5;4;\r\n' \
    > "$here/hostile_bom_crlf_quotes.csv"
# Latin-1 names (Windows-1252 has the same bytes for these), lone CR line ends.
printf 'sample\tS\tv\rM\374ller\t1\t2\rGr\366\337e\t2\t3\r' > "$here/hostile_latin1_cr.tsv"
# A short row in the middle.
printf 'S,v,v\n1,2,3\n2,4\n3,6,7\n' > "$here/hostile_ragged.csv"
printf 'S (mM);v (U/mg)\r\n\r\n' > "$here/hostile_header_only.csv"
# What plate readers and spreadsheets write where there is no value.
printf 'S,A,A,B\n1,OVER,2,Invalid\n2,NaN,3,#N/A\n3,inf,4,\n-,5,6,1\n' > "$here/hostile_missing_cells.csv"
