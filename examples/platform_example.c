/* A plain C program on the platform: an event, a thread that sets it, and a registry value
 * written and read back. */
#include <stdio.h>
#include <string.h>

#include <qms_platform.h>

static DWORD signaller(LPVOID event)
{
    SetEvent((HANDLE)event);
    return 7;
}

int main(void)
{
    static const WCHAR key_path[] = u"Software\\Examples\\Platform";
    static const WCHAR value_name[] = u"Answer";
    HANDLE event = CreateEventW(NULL, TRUE, FALSE, NULL);
    HANDLE thread = CreateThread(NULL, 0, signaller, event, 0, NULL);
    DWORD code = 0;
    HKEY key;
    DWORD value = 42, type = 0, size = sizeof value, read_back = 0;

    if (!event || !thread || WaitForSingleObject(event, 2000) != WAIT_OBJECT_0) {
        fprintf(stderr, "event was not set\n");
        return 1;
    }
    WaitForSingleObject(thread, INFINITE);
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    CloseHandle(event);

    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_path, 0, NULL, 0, 0, NULL, &key, NULL) != ERROR_SUCCESS ||
        RegSetValueExW(key, value_name, 0, REG_DWORD, (const BYTE *)&value, sizeof value) != ERROR_SUCCESS ||
        RegQueryValueExW(key, value_name, NULL, &type, (BYTE *)&read_back, &size) != ERROR_SUCCESS) {
        fprintf(stderr, "registry round trip failed\n");
        return 1;
    }
    RegCloseKey(key);
    printf("thread exit code %u, registry value %u (type %u, %u bytes)\n", code, read_back, type, size);
    return code == 7 && read_back == 42 ? 0 : 1;
}
