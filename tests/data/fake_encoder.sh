#!/bin/sh
# Stands in for an external MP3 encoder in the tests. It writes its arguments, one per
# line, to the file named by FAKE_ENCODER_LOG and its working directory to
# FAKE_ENCODER_LOG.cwd, then writes the output file it was given (after -of, else the
# second argument). FAKE_ENCODER_MODE: "sleep" writes a partial output and waits long
# (to be aborted), "nooutput" writes nothing, "fail" writes the output and exits with 3.
if [ -n "$FAKE_ENCODER_LOG" ]; then
    printf '%s\n' "$@" > "$FAKE_ENCODER_LOG"
    pwd > "$FAKE_ENCODER_LOG.cwd"
fi
if [ "$1" = "-if" ]; then
    output=$4
else
    output=$2
fi
case "$FAKE_ENCODER_MODE" in
    sleep)
        printf 'partial' > "$output"
        sleep 60
        exit 0
        ;;
    nooutput)
        exit 0
        ;;
esac
i=0
while [ $i -lt 64 ]; do
    printf 'encoded audio data 0123456789abcdef\n'
    i=$((i + 1))
done > "$output"
[ "$FAKE_ENCODER_MODE" = "fail" ] && exit 3
exit 0
