# The two commands of the project, and the steps they are made of.
#   make test   install what is missing, build both trees, run every test
#   make demo   install what is missing, build, and show the product (TOUR=1: the scripted tour)
SHELL := /bin/bash
.ONESHELL:
# The dependency cache and Wine both live below the home folder; a bare CI environment may not
# name it.
HOME ?= $(shell getent passwd $$(id -u) | cut -d: -f6)
export HOME
.PHONY: test demo bootstrap native win32 test-native test-win32 clean

bootstrap:
	tools/bootstrap

native: bootstrap
	cmake --preset native >/dev/null
	cmake --build --preset native

win32: bootstrap
	cmake --preset win32 >/dev/null
	cmake --build --preset win32

test-native: native
	ctest --preset native

# One display and one booted Wine server serve the whole run; both are ended afterwards whatever
# the outcome, so nothing is left running.
test-win32: win32
	status=0
	prefix=$$(pwd)/build/win32/wine
	tools/wine-run --prefix $$prefix --session-start || status=$$?
	[ $$status -ne 0 ] || ctest --preset win32 || status=$$?
	tools/wine-run --prefix $$prefix --session-stop
	exit $$status

test: test-native test-win32

# With a display (and TOUR unset) the user is left in front of Outlook Express; without one, or
# with TOUR=1, the scripted tour writes build/demo/index.html. The demo stops what it started.
demo: native win32
	TOUR=$(TOUR) demo/run

clean:
	rm -rf build
