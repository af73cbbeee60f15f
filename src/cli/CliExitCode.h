#pragma once

// The tool's exit codes; the README and "kt7310 --help" list them.
enum class CliExitCode
{
    Ok = 0,
    Failed = 1,          // an error that none of the codes below names
    BadArguments = 2,    // unknown subcommand or option, missing or surplus argument
    NoInstrument = 3,    // the scan found nothing, or nothing answered on --port/--baud
    Timeout = 4,         // the instrument stopped answering (no reply within 4000 ms)
    PortLost = 5,        // the serial port disappeared (adapter unplugged)
    VerifyMismatch = 6,  // load --verify: the instrument holds something else
    FileError = 7,       // the file cannot be read (load) or written (save), or is empty
    ReplyUnreadable = 8, // the instrument's reply could not be read (a malformed record)
    LinesRefused = 9,    // load: the instrument answered lines of the file with an error
    Interrupted = 130    // Ctrl-C during load (128 + SIGINT, as the shell reports it)
};

inline int ExitStatus(CliExitCode code)
{
    return int(code);
}
