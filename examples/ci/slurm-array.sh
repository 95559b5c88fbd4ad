#!/bin/bash
# Slurm: a job array of four tasks, each checking its shard of the suite.
# Slurm sets SLURM_ARRAY_TASK_ID, SLURM_ARRAY_TASK_COUNT and
# SLURM_ARRAY_TASK_MIN (and _STEP), which `--shard auto` reads; a stepped
# range (--array=0-30:10) works too, a list of IDs (--array=1,5,9) does not.
# The merge job runs once every task has ended:
#
#   jobid=$(sbatch --parsable slurm-array.sh)
#   sbatch --dependency=afterany:$jobid slurm-merge.sh
#
#SBATCH --job-name=ravelcrest-check
#SBATCH --array=1-4
#SBATCH --cpus-per-task=2
#SBATCH --time=02:00:00
set -euo pipefail
SUITE=${SUITE:-$HOME/suite}
RESULTS=${RESULTS:-$HOME/ravelcrest-results}
mkdir -p "$RESULTS"
ravelcrest check "$SUITE" --shard auto --ci -j "${SLURM_CPUS_PER_TASK:-1}" \
  --results "$RESULTS/results-$SLURM_ARRAY_TASK_ID" \
  --json "$RESULTS/shard-$SLURM_ARRAY_TASK_ID.json" || [ $? -eq 1 ]
