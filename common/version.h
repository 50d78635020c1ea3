#pragma once
// The release every program reports with --version: the project's version, which the
// Debian changelog repeats (scripts/package checks that they agree).
const char* OrvanelVersion();
