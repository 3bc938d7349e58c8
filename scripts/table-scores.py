#!/usr/bin/env python3
"""Prints one score line per model of a velk_nrt run: its own scores from the
metadata, and the coverage and storm-hour skill counted in the forecast table.

Arguments:
  TABLE     the forecast table (header line, then HOY HTND YYYY MM DD DOY HH,
            the observation and one forecast per model, in lead order)
  METADATA  the run's metadata (fill value, cadence, one model block per lead)
  --label   the text in the first column (default: the table's file name)
  --product the run's forecast product (JSON): adds the interval columns

Columns: label, lead, PE, PE of persistence, r, r of persistence, skill (as
velk_nrt wrote them), then
  cover    fraction of the rows with an observed index that hold a forecast
  storms   rows whose observed index is a storm's: Dst <= -50 nT,
           Kp >= 5o (50 in tenths), ap >= 48
  s_cover  fraction of those that hold a forecast
  s_skill  1 - MSE(forecast)/MSE(persistence) over the storm rows that hold
           a forecast and a persistence value (the observation as many hours
           before as the lead)
and, with --product,
  in68     fraction of the rows with an observed index and a 68 % interval
           whose observation lies inside it (bounds included)
  in95     the same for the 95 % interval
  with_int fraction of the rows with an observed index and a forecast that
           have an interval (the first rows of a run have too few residuals)
A value equal to the index's fill value is missing; "-" stands for a fraction
or skill without rows. The table holds exactly the rows velk_nrt scores, so
these columns count the same rows as its scores, except persistence before the
table's first row, which the table does not hold. Forecasts are read as the
table rounds them, so an ap forecast below 0.5 reads as ap's fill value 0.
Exit status: 0 printed, 1 unusable table or metadata, 64 wrong arguments.
"""
import argparse
import calendar
import datetime
import json
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tools"))
from usage import UsageParser  # noqa: E402

# Observed values from which an hour counts as a storm hour, per index name.
STORM = {
    "Dst": lambda v: v <= -50.0,
    "Kp": lambda v: v >= 50.0,
    "ap": lambda v: v >= 48.0,
}
# The metadata's scores printed, by name, each with its persistence value
# where it has one.
SHOWN_SCORES = (("Prediction efficiency", True),
                ("Pearson's linear correlation coefficient", True),
                ("Skill score", False))


class Unusable(Exception):
    pass


def read_lines(path):
    try:
        with open(path, encoding="latin-1") as f:
            return f.read().splitlines()
    except OSError as e:
        raise Unusable("%s: %s" % (path, e.strerror))


def read_metadata(path):
    text = "\n".join(read_lines(path))

    def element(name):
        found = re.search(r"<%s>([^<]*)</%s>" % (name, name), text)
        if not found:
            raise Unusable("%s: no <%s>" % (path, name))
        return found.group(1).strip()

    try:
        fill = float(element("Fill_Value"))
        cadence = int(element("Cadence"))
    except ValueError:
        raise Unusable("%s: unreadable <Fill_Value> or <Cadence>" % path)
    models = []
    for block in re.findall(r"<Model>(.*?)</Model>", text, re.S):
        lead = re.search(r"<Lead_Time>\s*(\d+)\s*</Lead_Time>", block)
        if not lead:
            raise Unusable("%s: a model block without its lead time" % path)
        models.append((int(lead.group(1)), model_scores(path, block)))
    if cadence < 1:
        raise Unusable("%s: cadence %d" % (path, cadence))
    return element("Name"), fill, cadence, models


def model_scores(path, block):
    """The shown scores of one model block, found by name, so that other
    elements a block may hold do not shift them."""
    scores = []
    for name, with_persistence in SHOWN_SCORES:
        found = re.search(r"<Name>%s</Name>\s*<Value>([^<]*)</Value>(\s*<Persistence_Value>"
                          r"([^<]*)</Persistence_Value>)?" % re.escape(name), block)
        if not found or (with_persistence and found.group(2) is None):
            raise Unusable("%s: a model block without its %s" % (path, name))
        scores += [found.group(1).strip()] + ([found.group(3).strip()] if with_persistence else [])
    return scores


def read_table(path, n_models):
    """Rows of (hour since 1970, observation, [forecast per model])."""
    lines = read_lines(path)
    if not lines:
        raise Unusable("%s: empty, not even a header line" % path)
    rows = []
    for number, line in enumerate(lines[1:], start=2):
        fields = line.split()
        if len(fields) != 8 + n_models:
            raise Unusable("%s: line %d has %d columns, not %d (7 of time, the observation "
                           "and %d forecasts)" % (path, number, len(fields), 8 + n_models, n_models))
        try:
            year, month, day, _, hour = (int(f) for f in fields[2:7])
            values = [float(f) for f in fields[7:]]
            hours = calendar.timegm(datetime.datetime(year, month, day, hour).timetuple()) // 3600
        except (ValueError, OverflowError):
            # Asterisks are a value too wide for its column: a forecast that
            # cannot be scored and must not pass for a missing one. A date
            # that does not exist would shift persistence.
            raise Unusable("%s: line %d: unreadable field in '%s'" % (path, number, line.strip()))
        rows.append((hours, values[0], values[1:]))
    return rows


def fraction(part, whole):
    return "%.3f" % (part / whole) if whole else "-"


def model_columns(rows, column, lead, fill, cadence, is_storm):
    # The index holds one value per interval of its cadence from 00 UT, so the
    # observation `lead` hours before a row is that of the table row in the
    # interval holding that hour.
    observed_in = {hours // cadence: observation for hours, observation, _ in rows}
    with_obs = covered = storms = storms_covered = scored = 0
    error_fc = error_ps = 0.0
    for hours, observation, forecasts in rows:
        if observation == fill:
            continue
        forecast = forecasts[column]
        has_forecast = forecast != fill
        with_obs += 1
        covered += has_forecast
        if is_storm is None or not is_storm(observation):
            continue
        storms += 1
        storms_covered += has_forecast
        persistence = observed_in.get((hours - lead) // cadence, fill)
        if has_forecast and persistence != fill:
            scored += 1
            error_fc += (forecast - observation) ** 2
            error_ps += (persistence - observation) ** 2
    skill = "%.3f" % (1.0 - error_fc / error_ps) if scored and error_ps > 0 else "-"
    return [fraction(covered, with_obs), str(storms) if is_storm else "-",
            fraction(storms_covered, storms), skill]


def read_product(path, n_models):
    """Per lead, the (observation, 68 % interval, 95 % interval) of every row
    with an observation and a forecast."""
    try:
        with open(path, encoding="utf-8") as f:
            product = json.load(f)
    except OSError as e:
        raise Unusable("%s: %s" % (path, e.strerror))
    except ValueError as e:
        raise Unusable("%s: not JSON: %s" % (path, e))
    if not isinstance(product, dict) or len(product.get("leads", [])) != n_models:
        raise Unusable("%s: not a product of %d lead steps" % (path, n_models))
    per_lead = [[] for _ in range(n_models)]
    for row in product.get("rows", []):
        if row["observed"] is None:
            continue
        for lead, forecast in enumerate(row["forecasts"]):
            if forecast["value"] is not None:
                per_lead[lead].append((row["observed"], forecast["interval_68"],
                                       forecast["interval_95"]))
    return per_lead


def interval_columns(rows):
    with_interval = [r for r in rows if r[1] is not None]

    def inside(k):
        return sum(1 for r in with_interval if r[k][0] <= r[0] <= r[k][1])
    return [fraction(inside(1), len(with_interval)), fraction(inside(2), len(with_interval)),
            fraction(len(with_interval), len(rows))]


def main():
    parser = UsageParser(
        usage="table-scores.py [--label TEXT] [--product JSON] TABLE METADATA",
        description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--label")
    parser.add_argument("--product")
    parser.add_argument("table")
    parser.add_argument("metadata")
    args = parser.parse_args()
    try:
        name, fill, cadence, models = read_metadata(args.metadata)
        rows = read_table(args.table, len(models))
        product = read_product(args.product, len(models)) if args.product else None
    except Unusable as e:
        sys.stderr.write("table-scores: %s\n" % e)
        return 1
    label = args.label if args.label is not None else os.path.basename(args.table)
    for column, (lead, scores) in enumerate(models):
        shown = scores + model_columns(rows, column, lead, fill, cadence, STORM.get(name))
        if product is not None:
            shown += interval_columns(product[column])
        print("%-21s %4s" % (label, lead) + "".join(" %7s" % v for v in shown))
    return 0


if __name__ == "__main__":
    sys.exit(main())
