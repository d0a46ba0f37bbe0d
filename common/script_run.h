// Shell scripts of the user ("autostart.sh", "autostop.sh", ".sh" files of the browser).
#pragma once

// Runs the script name of folder dir (the path rule: a relative path lies in the settings
// folder) through the shell, its output and errors going to the script's path with
// " (Output)" appended; args (already quoted by the caller, or null) follow on the command
// line. The script is made executable first. Returns the TAP path of the output file (a fresh
// block, freed by the caller), or null when the script does not exist.
char* script_run(const char* dir, const char* name, const char* args);
