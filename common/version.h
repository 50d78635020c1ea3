#pragma once
// The release every program reports with --version: the project's version, which the
// Debian changelog repeats (scripts/package checks that they agree).
const char* OrvanelVersion();
// Prints "PROGRAM VERSION" on standard output; the exit status of a program that did so.
int PrintVersion(const char* program);
