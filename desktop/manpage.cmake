# Writes the man page scrivelle.1 from the program's own --help and --version texts.
# Usage: cmake -DPROGRAM=path/to/scrivelle -DOUTPUT=scrivelle.1 -P manpage.cmake
execute_process(COMMAND "${PROGRAM}" --help OUTPUT_VARIABLE help RESULT_VARIABLE rc
                ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --help failed (${rc}): ${err}")
endif()
execute_process(COMMAND "${PROGRAM}" --version OUTPUT_VARIABLE version
                OUTPUT_STRIP_TRAILING_WHITESPACE)

# roff: backslashes doubled, hyphens of options kept literal, no line may start with a dot or
# an apostrophe (they would read as requests).
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")

string(CONCAT page
    ".TH SCRIVELLE 1 \"\" \"${version}\" \"User Commands\"\n"
    ".SH NAME\n"
    "scrivelle \\- word processor for Rich Text, compressed Rich Text and plain text documents\n"
    ".SH SYNOPSIS\n"
    ".B scrivelle\n"
    "[\\fIFILE\\fR]\n"
    ".br\n"
    ".B scrivelle\n"
    "\\fB\\-\\-convert\\fR|\\fB\\-\\-stats\\fR|\\fB\\-\\-pages\\fR|\\fB\\-\\-print\\fR ...\n"
    ".SH DESCRIPTION\n"
    "Without options, Scrivelle opens its window; an existing \\fIFILE\\fR (.rtf, .doc, .rtc, .txt) "
    "is opened at start\\-up. Options starting with \\-\\- run a job with no window.\n"
    ".SH OPTIONS\n"
    ".nf\n"
    "${help}"
    ".fi\n"
    ".SH FILES\n"
    ".TP\n"
    ".I DeskTopDock.ini\n"
    "Editor font, print margins, view options and editor colour.\n"
    ".TP\n"
    ".I WrdFileList.dat\n"
    "The document history, one path a line.\n"
    ".PP\n"
    "Both live beside the program when its folder can be written, otherwise in the user's "
    "configuration folder (\\fI~/.config/Scrivelle\\fR).\n")
file(WRITE "${OUTPUT}" "${page}")
