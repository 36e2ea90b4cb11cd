// A template script's text cut into lines exactly as TemplateProcessor::readScriptLine hands them
// on: lines end at a line feed (the last one may end at the end of the text), lose their trailing
// white space (a carriage return included), and hold at most kScriptLineMax characters. The
// reader's buffer is a C string, so a line ends for every later step at its first NUL byte; the
// reader stops for good at a line that is too long. The checker works on this view so that it sees
// what a run would see.
//
// Plain values built from a copy of the text; any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct ScriptTextLine {
    int number = 0;         // 1-based, counting every line read
    std::string text;       // what the reader's buffer holds as a C string
    bool heldNul = false;   // the line went on after a NUL byte; that part is lost
    bool overLong = false;  // longer than kScriptLineMax: the reader stops here (text is empty)
};

// Every line the reader would read from text, in order; an over-long line is the last one.
std::vector<ScriptTextLine> cutScriptLines(std::string_view text);
