// The maker's web host, asked by the program and by the message module for
// updates, statistics and the message feed (plain HTTP on port 80).
#pragma once

constexpr const wchar_t* WebHost = L"www.velmora.net";
