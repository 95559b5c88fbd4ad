#!/bin/bash
# Slurm: joins the array's shards into one report and JUnit file (see
# slurm-array.sh for how to submit both).
#SBATCH --job-name=ravelcrest-merge
#SBATCH --time=00:10:00
set -euo pipefail
RESULTS=${RESULTS:-$HOME/ravelcrest-results}
ravelcrest merge "$RESULTS"/shard-*.json --report "$RESULTS/report.html" \
  --junit "$RESULTS/results.xml" --json "$RESULTS/results.json"
