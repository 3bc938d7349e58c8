#!/usr/bin/env python3
"""verification_agreement.py WORKDIR TABLE_SCORES: checks that the live
verification in WORKDIR/status.json agrees with the scoring command over the
same rows.

The rows are those live verification scores: every forecast of
WORKDIR/.forecast-ledger (as issued) valid in a window up to the cycle time,
against the observations of the cycle's forecast table, with persistence the
observation `lead` hours before. The scoring command's own code
(scripts/table-scores.py: model_columns for the skill against persistence,
interval_columns for the shares inside the intervals) scores them again; N,
MAE and RMSE are counted here. Prints one line per window and lead; exit
status 0 when everything agrees, 1 on a disagreement, 2 on unusable input.
"""
import calendar
import importlib.util
import json
import math
import os
import sys
import time


def hour_of(text):
    """Hours since 1970 of "YYYY-MM-DDTHH:MM[:SS]Z"."""
    return calendar.timegm(time.strptime(text[:16], "%Y-%m-%dT%H:%M")) // 3600


def load_table_scores(path):
    source = importlib.util.spec_from_file_location("table_scores", path)
    module = importlib.util.module_from_spec(source)
    source.loader.exec_module(module)
    return module


def ledger_rows(path):
    """(lead, hour) -> (value, (68 % interval, 95 % interval) or None), first issue kept."""
    issued = {}
    for line in open(path):
        fields = line.split()
        if len(fields) not in (3, 7):
            continue
        key = (fields[1], hour_of(fields[0]))
        if key in issued:
            continue
        numbers = [float(f) for f in fields[2:]]
        intervals = (numbers[1:3], numbers[3:5]) if len(numbers) == 5 else None
        issued[key] = (numbers[0], intervals)
    return issued


def agree(live, mine):
    if live is None or mine is None:
        return live is None and mine is None
    # Both sides round to three decimals.
    return abs(live - mine) <= 0.0011


def main():
    if len(sys.argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    work, scorer = sys.argv[1:]
    scores = load_table_scores(scorer)
    status = json.load(open(os.path.join(work, "status.json")))
    verification = status.get("verification")
    if status.get("outcome") != "forecast" or not verification:
        print("agreement: no forecast in this cycle, nothing verified")
        return 0
    name, fill, cadence, models = scores.read_metadata(os.path.join(work, status["metadata"]))
    table = scores.read_table(os.path.join(work, status["forecast_table"]), len(models))
    issued = ledger_rows(os.path.join(work, ".forecast-ledger"))
    now = calendar.timegm(time.strptime(verification["cycle_time"], "%Y-%m-%dT%H:%M:%SZ"))
    observed = {hours: obs for hours, obs, _ in table if obs != fill}
    disagreements = 0
    for window in verification["windows"]:
        first = (now - window["hours"] * 3600) // 3600  # exclusive, as whole hours
        last = now // 3600
        for column, live in enumerate(window["leads"]):
            lead_name = live["lead"]
            lead = int(lead_name[3:5])
            # The table-scores rows: every observation, the forecast as issued
            # in this window where the ledger has one.
            rows = []
            for hours, obs, _ in table:
                value = issued.get((lead_name, hours))
                in_window = first < hours <= last and value is not None
                forecasts = [fill] * len(models)
                forecasts[column] = value[0] if in_window else fill
                rows.append((hours, obs, forecasts))
            skill = scores.model_columns(rows, column, lead, fill, cadence, lambda v: True)[3]
            verified = [(obs, issued[(lead_name, hours)])
                        for hours, obs, forecasts in rows
                        if forecasts[column] != fill and obs != fill and hours - lead in observed]
            n = len(verified)
            errors = [value[0] - obs for obs, value in verified]
            with_interval = [(obs, value[1][0], value[1][1]) for obs, value in verified if value[1]]
            in68, in95, _ = scores.interval_columns(with_interval) if with_interval else ("-", "-", "-")
            mine = {
                "n": n,
                "mae": sum(abs(e) for e in errors) / n if n else None,
                "rmse": math.sqrt(sum(e * e for e in errors) / n) if n else None,
                "skill": None if skill == "-" else float(skill),
                "n_with_interval": len(with_interval),
                "coverage_68": None if in68 == "-" else float(in68),
                "coverage_95": None if in95 == "-" else float(in95),
            }
            wrong = [k for k, v in mine.items()
                     if not (live.get(k) == v if k.startswith("n") else agree(live.get(k), v))]
            disagreements += bool(wrong)
            print("%4d h %s n=%d live mae=%s rmse=%s skill=%s in68=%s in95=%s%s" % (
                window["hours"], lead_name, n, live["mae"], live["rmse"], live["skill"],
                live.get("coverage_68"), live.get("coverage_95"),
                "" if not wrong else "  DISAGREES on %s: scoring gives %s" % (
                    ", ".join(wrong), {k: mine[k] for k in wrong})))
    return 1 if disagreements else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (OSError, ValueError, KeyError) as e:
        sys.stderr.write("agreement: unusable input: %s\n" % e)
        sys.exit(2)
