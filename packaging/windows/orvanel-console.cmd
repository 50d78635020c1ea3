@echo off
rem The Start menu's console: the tools of this folder on the PATH, in the user's own folder.
set "PATH=%~dp0;%PATH%"
title Orvanel tools
cd /d "%USERPROFILE%"
echo orvanel-cli and bexora-cli are on the PATH here; "orvanel-cli --help" and "bexora-cli --help" tell more.
