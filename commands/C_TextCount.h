#pragma once
// Counts characters as the user sees them by the one rule the command line uses too
// (C_TextRules: grapheme clusters, so "é" built from two code points is one), with a line break
// counted as the two characters CR LF that it becomes in the text.

#include <QString>

class C_TextCount {
public:
    static int Count(const QString& strText);
    // The longest start of strText that has at most nMax characters.
    static QString Truncate(const QString& strText, int nMax);
};
