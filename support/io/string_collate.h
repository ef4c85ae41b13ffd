// ICU-collated comparisons of UTF-8 strings, by the root collation order so
// that results do not depend on the process locale. The full comparisons open
// a collator per call; the first-character comparison keeps one for the life
// of the library, released by StrCollateShutdown.
#pragma once

// Tertiary strength: case and accents count. <0, 0 or >0 like strcmp; a null
// string reads as "". Ill-formed UTF-8 compares as "???".
int StrUtf8Collate(const char* a, const char* b);
// Secondary strength: accents count, case does not.
int StrUtf8CollateNoCase(const char* a, const char* b);
// Compares only the first character of each string, at primary strength
// (neither case nor accents count), as for grouping by initial letter.
int StrUtf8CollateFirstChar(const char* a, const char* b);
// Closes the kept collator; the next first-character comparison reopens it.
void StrCollateShutdown();
