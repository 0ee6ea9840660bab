#!/usr/bin/env bash
# Makes the fresh test prefix the sample PC, which the location tests and the end-to-end tests start from.
exec "$(dirname "$0")/../../fixtures/sample-pc/make-sample-pc.sh"
