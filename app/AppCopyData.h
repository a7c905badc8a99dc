// The text another process (the shell extension) hands to the main window
// with WM_COPYDATA: a command URL for the quick-link list.
#pragma once
#include "framework/CString.h"
#include <windows.h>

const ULONG_PTR COPYDATA_APP_COMMAND = 2025;

enum class CopyDataKind {
    NotOurs,  // another dwData: default processing
    Refused,  // ours, but no buffer or not one whole character
    Accepted, // ours; the text is in `text`
};

// Reads the UTF-16 text within cbData bytes, up to the first NUL when there
// is one before the end; never reads past the buffer.
CopyDataKind ReadAppCommandCopyData(const COPYDATASTRUCT* data, CString& text);
