// Resource ids of the shell extension.
#pragma once

#define IDS_PROJNAME 100
#define IDR_QUORVENTILESHELLEXT 101
#define IDR_QUORVENTILESHELLEXTENSION 103
#define IDI_MENU_ICON 202
