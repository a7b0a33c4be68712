#!/usr/bin/python3
"""The peer pipeline bench/batch sets beside the fill command: every row of a
table rendered into a .docx template by docxtpl (Jinja placeholders {{ p01 }}
for the table's columns in order), then all the .docx files converted to PDF
by a headless office (soffice --convert-to pdf), a hundred files a call: given
a thousand at once, the office ends well having converted a few hundred.

    peer_docxtpl.py TEMPLATE.docx TABLE.csv OUTDIR PROFILE
"""

import csv
import os
import subprocess
import sys

from docxtpl import DocxTemplate


def main(template, table, out, profile):
    rendered = os.path.join(out, "docx")
    os.makedirs(rendered, exist_ok=True)
    with open(table, encoding="utf-8") as f:
        rows = list(csv.reader(f, delimiter=";"))
    keys = ["p%02d" % (i + 1) for i in range(len(rows[0]))]
    names = []
    for number, row in enumerate(rows[1:], 1):
        document = DocxTemplate(template)
        document.render(dict(zip(keys, row)))
        names.append(os.path.join(rendered, "%d.docx" % number))
        document.save(names[-1])
    for first in range(0, len(names), 100):
        subprocess.run(["soffice", "-env:UserInstallation=file://" + profile, "--headless", "--convert-to", "pdf",
                        "--outdir", out] + names[first:first + 100], check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)


if __name__ == "__main__":
    main(*sys.argv[1:5])
