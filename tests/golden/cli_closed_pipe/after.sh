# Writing into a pipe whose reader has gone fails with BrokenPipe instead of
# killing the process; the reader is gone before the compiler starts.
set -u
{ sleep 0.3; "$VORN_COMPILE" w.vorn --inspect 2> inspect.err; echo $? > inspect.status; } | true
{ sleep 0.3; "$VORN_COMPILE" w.vorn --truth-table 2> table.err; echo $? > table.status; } | true
{ sleep 0.3; "$VORN_COMPILE" w.vorn --preview 2> preview.err; echo $? > preview.status; } | true
[[ $(cat inspect.status) == 1 && $(cat inspect.err) == "error: BrokenPipe" ]] || { echo "inspect: $(cat inspect.status) $(cat inspect.err)"; exit 1; }
[[ $(cat table.status) == 1 && $(tail -n 1 table.err) == "render failed: BrokenPipe" ]] || { echo "table: $(cat table.status)"; exit 1; }
[[ $(cat preview.status) == 1 && $(tail -n 1 preview.err) == "render failed: BrokenPipe" ]] || { echo "preview: $(cat preview.status)"; exit 1; }
