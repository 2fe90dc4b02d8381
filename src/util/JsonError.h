#pragma once

namespace BkJsonEx {

// Codes 1 to 10 keep the numbers the program has always reported (2 was never assigned); 11 and
// up come from the bounds and text checks added on top.
enum ErrorCode : int {
    kNoError = 0,
    kObjectExpected = 1,     // no "{" where an object must start
    kQuoteExpected = 3,      // no '"' where a string must start
    kStringNotClosed = 4,    // the text ends inside a string
    kMinusAtEnd = 5,         // a "-" is the last character of the text
    kColonExpected = 6,      // no ":" after a member's key
    kSeparatorExpected = 7,  // neither "," nor the closing bracket after an element or member
    kBadEscape = 8,          // unknown escape, bad or zero "\u" digits, unpaired surrogate
    kValueExpected = 9,      // an element or member value that is no value
    kArrayExpected = 10,     // no "[" where an array must start
    kTooDeep = 11,           // more than kMaxDepth nested arrays and objects
    kBadCharacter = 12,      // invalid UTF-8, or a NUL byte, inside a string
    kTextTooLarge = 13,      // more than kMaxTextBytes; reported at line 1, column 1
};

// Line is 1 plus the line feeds before the error; column is 1 plus the characters (code points,
// not bytes) between the last line feed, or the start of the text, and the error.
struct Error {
    int code = kNoError;
    int line = -1;
    int column = -1;
};

}  // namespace BkJsonEx
