#!/usr/bin/env python3
"""Runs velk_nrt on recorded end-to-end cases and checks the forecast product
it writes beside the table: valid against the schema, the same rows, times,
observations and forecasts as the table, and intervals that nest around the
forecast and stay on the index's scale.

Usage: product_check.py SCHEMA VELK_NRT CASES_DIR CASE...
Prints one line per case and "N passed, N failed"; exit status 1 on a failure.
"""
import datetime
import json
import os
import subprocess
import sys
import tempfile

import jsonschema

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import run_case as run_case_driver  # noqa: E402  (the case folders' reader)

# The index's scale, which intervals must keep to (forecast::index_scale).
SCALE = {"Kp": (0.0, 90.0), "ap": (2.0, 400.0), "Dst": (-float("inf"), float("inf"))}
FILL = {"Kp": 99.0, "ap": 0.0, "Dst": 9999.0}


def run_case(velk_nrt, cases, name, work):
    """Runs velk_nrt in `work` laid out as the case folder says (its inputs
    folders of cases/.., then its workdir/)."""
    case_dir = os.path.abspath(os.path.join(cases, name))
    roots = {"data": os.path.join(cases, ".."), "case": case_dir}
    run_case_driver.build_workdir(run_case_driver.read_case(case_dir), case_dir, work, roots)
    subprocess.run([velk_nrt], cwd=work, check=True, timeout=120, stdout=subprocess.DEVNULL)


def table_rows(path):
    with open(path, encoding="latin-1") as f:
        lines = f.read().splitlines()[1:]
    for line in lines:
        fields = line.split()
        year, month, day, _, hour = (int(v) for v in fields[2:7])
        yield datetime.datetime(year, month, day, hour), [float(v) for v in fields[7:]]


def problems(product, table, schema):
    """Every disagreement found, as text."""
    found = ["schema: %s at %s" % (e.message, list(e.absolute_path))
             for e in jsonschema.Draft202012Validator(schema).iter_errors(product)]
    if found:
        return found
    lowest, highest = SCALE[product["index"]]
    fill = FILL[product["index"]]
    rows = list(table)
    if len(rows) != len(product["rows"]):
        return ["%d rows, the table has %d" % (len(product["rows"]), len(rows))]
    bounded = fallback = 0
    for (when, values), row in zip(rows, product["rows"]):
        where = row["valid_time"]
        if where != when.strftime("%Y-%m-%dT%H:00:00Z"):
            found.append("%s: the table's row is %s" % (where, when))
        if row["observed"] is not None and row["observed"] != values[0]:
            found.append("%s: observed %s, the table %s" % (where, row["observed"], values[0]))
        for forecast, column in zip(row["forecasts"], values[1:]):
            value = forecast["value"]
            # The table rounds; an ap below 0.5 reads there as the fill value.
            if (value is None) != (column == fill) and not (fill == 0 and value is not None
                                                              and round(value) == 0):
                found.append("%s: forecast %s, the table %s" % (where, value, column))
            if value is not None and column != fill and abs(value - column) > 0.51:
                found.append("%s: forecast %s, the table %s" % (where, value, column))
            fallback += (forecast["model"] or 0) > 0
            if forecast["interval_95"] is None:
                continue
            lo95, hi95 = forecast["interval_95"]
            lo68, hi68 = forecast["interval_68"]
            if not (lowest <= lo95 <= lo68 <= value <= hi68 <= hi95 <= highest):
                found.append("%s: intervals %s %s around %s off the scale or not nested"
                             % (where, forecast["interval_68"], forecast["interval_95"], value))
            bounded += lo95 == lowest or hi95 == highest
    if lowest > -float("inf") and bounded == 0:
        found.append("no interval reaches the index's scale: the bound goes untested")
    if product["leads"][0]["models"][1:] and fallback == 0:
        found.append("no row from a fallback model: the fallback's errors go untested")
    return found


def main():
    schema_path, velk_nrt, cases = sys.argv[1], os.path.abspath(sys.argv[2]), sys.argv[3]
    with open(schema_path) as f:
        schema = json.load(f)
    passed = failed = 0
    for name in sys.argv[4:]:
        with tempfile.TemporaryDirectory() as scratch:
            work = os.path.join(scratch, "work")
            run_case(velk_nrt, cases, name, work)
            with open(os.path.join(work, "fc.json")) as f:
                product = json.load(f)
            found = problems(product, table_rows(os.path.join(work, "fc.asc")), schema)
        print("%s %s" % ("ok  " if not found else "FAIL", name))
        for problem in found[:10]:
            print("     " + problem)
        passed, failed = passed + (not found), failed + bool(found)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
