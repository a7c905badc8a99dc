// The client id sent with usage statistics and error reports: made once
// from a new GUID and kept in the setting ClientID.
#pragma once

#include "framework/CString.h"

#include <windows.h>

extern CString AppClientId;

// The GUID's 32 hex digits in lower case followed by "0a".
CString FormatClientId(const GUID& guid);

// Reads ClientID, making and saving a new id when it is empty; an id
// already stored is kept as it is.  Also sets AppClientId.
CString LoadOrCreateClientId();
