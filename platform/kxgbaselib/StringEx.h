// CStringEx: a CString with access to separated fields and number / truth conversions.
//
//   CStringEx range("2-5");
//   if (range.GetFieldCount('-') > 1)
//       from = CStringEx(range.GetField(0, '-')).Int(), to = CStringEx(range.GetField(1, '-')).Int();
#pragma once
#include "kxgbaselib.h"

class KXGBASE_API CStringEx : public CString
{
public:
// Construction
    CStringEx() = default;
    CStringEx(const char* psz) : CString(psz) {}
    CStringEx(const CString& s) : CString(s) {}
    CStringEx& operator=(const char* psz) { CString::operator=(psz); return *this; }
    CStringEx& operator=(const CString& s) { CString::operator=(s); return *this; }

// Fields
    // Number of fields the separator divides the text into: separators + 1, and 0 for an empty
    // text. Empty fields count ("a--b" has three).
    int GetFieldCount(char chSep) const;
    int GetFieldCount(const char* pszSep) const;   // a separator of one or more characters
    // Field nIndex (from 0), without its separators; empty when nIndex is out of range.
    CString GetField(int nIndex, char chSep) const;
    CString GetField(int nIndex, const char* pszSep) const;

// Conversions
    // The decimal integer at the start of the text: leading blanks, an optional sign, digits;
    // anything after them is ignored. No digits gives 0; values beyond int are clamped to
    // INT_MIN / INT_MAX (a hand-edited "99999999999" must not wrap to a negative count).
    int Int() const;
    // The real number at the start of the text (C locale, "." as decimal point); 0 when none.
    double Double() const;
    // Truth: a number is true when it is not 0 ("0", "00", "0.0" are false); otherwise the
    // words true / yes / on are true and everything else (false, no, off, empty) is false,
    // letters compared without regard to case, surrounding blanks ignored.
    bool Bool() const;
};
