#pragma once
// Resource ids of the Windows viewer (viewer.rc).
#define IDI_VIEWER 1
