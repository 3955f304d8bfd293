// The host's antispam plug-in interface: twelve exported functions, called from the host's threads.
#pragma once
#include <windows.h>
#include <unknwn.h>

// The host's data callback: (message id, request id, buffer, buffer size) -> count. Asked once with a
// null buffer for the length, then with a buffer of that length.
typedef int(WINAPI* tbp_data_callback)(int msid, int request, void* buffer, int size);

// Requests of the data callback.
constexpr int kRequestMessageText = 100005;
constexpr int kRequestTimeRecord = 100006;

// Results of the status exports and of the start-up.
constexpr int kStatusReady = 0;
constexpr int kStatusNoInstance = -1;
constexpr int kStatusDisabled = -2;
constexpr int kStartFailed = static_cast<int>(0x80004005);

extern "C" {
int WINAPI TBP_Initialize();
void WINAPI TBP_Finalize();
int WINAPI TBP_GetName(char* buffer, int size);
int WINAPI TBP_GetVersion(char* buffer, int size);
int WINAPI TBP_GetStatus();
int WINAPI TBP_GetInfo(char* B, int Bsize);
int WINAPI TBP_NeedConfig();
int WINAPI TBP_Setup();
int WINAPI TBP_NeedCOM();
int WINAPI TBP_GetSpamScore(int MSID, tbp_data_callback callback);
int WINAPI TBP_FeedSpam(int MSID, int isSPAM, tbp_data_callback callback);
int WINAPI TBP_SetBridge(IUnknown* Abridge);
}
