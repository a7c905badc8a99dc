// Pinyin of Chinese names, for searching links by the reading of their name.
#pragma once

#include "framework/CString.h"

// Builds the table of the first-level GB2312 characters (again after
// FreePinyinTable); the first conversion builds it too when this was not
// called.
void InitPinyinTable();
// Releases the table at exit, when no other thread can be converting; later
// conversions drop Chinese characters.
void FreePinyinTable();

// The toneless pinyin of the text, syllables run together, with the other
// ASCII characters kept (a few punctuation marks dropped) and every Chinese
// character outside the first level of GB2312 dropped.
CString ConvertToPinyin(const CString& text);
