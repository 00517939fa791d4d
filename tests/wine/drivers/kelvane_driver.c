/* Reference KELVANE driver for the Wine tests: a kernel-mode driver with the
   device \Device\KELVANE (\\.\KELVANE, and \\.\KELVANE.VXD for the Windows
   9x path) that accepts the presentation notice 0x222400 without buffers and
   can be stopped.

   kelvane opens the device without sharing, so a test cannot ask the driver
   itself. Instead the driver keeps its counts in the registry, under
   HKEY_LOCAL_MACHINE\Software\WineTests\KelvaneDriver, rewritten at every
   change: Loads and Unloads (kept across loads), Opens, OpenHandles, Notices,
   BadRequests (any other request, or the notice with buffers) and
   OpenHandlesAtUnload. */
#include <ddk/wdm.h>

#include "named_device.h"
#include "test_driver_codes.h"

static NamedDevice named;
static FAST_MUTEX mutex;

static const WCHAR parentKeyPath[] = L"\\Registry\\Machine\\Software\\WineTests";
static const WCHAR statsKeyPath[] = L"\\Registry\\Machine\\Software\\WineTests\\KelvaneDriver";

static HANDLE CreateKey(const WCHAR* path) {
  UNICODE_STRING name;
  OBJECT_ATTRIBUTES attributes;
  HANDLE key = NULL;
  RtlInitUnicodeString(&name, path);
  InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
  if (!NT_SUCCESS(ZwCreateKey(&key, KEY_ALL_ACCESS, &attributes, 0, NULL, REG_OPTION_NON_VOLATILE, NULL)))
    return NULL;
  return key;
}

static HANDLE OpenStatsKey(void) {
  HANDLE parent = CreateKey(parentKeyPath);
  if (parent) ZwClose(parent);
  return CreateKey(statsKeyPath);
}

static void WriteCount(const WCHAR* valueName, ULONG value) {
  UNICODE_STRING name;
  HANDLE key = OpenStatsKey();
  if (!key) return;
  RtlInitUnicodeString(&name, valueName);
  ZwSetValueKey(key, &name, 0, REG_DWORD, &value, sizeof(value));
  ZwClose(key);
}

/* The stored count, 0 when there is none yet. */
static ULONG ReadCount(const WCHAR* valueName) {
  UNICODE_STRING name;
  ULONG length = 0;
  ULONG value = 0;
  struct {
    KEY_VALUE_PARTIAL_INFORMATION info;
    UCHAR room[8];
  } data;
  HANDLE key = OpenStatsKey();
  if (!key) return 0;
  RtlInitUnicodeString(&name, valueName);
  if (NT_SUCCESS(ZwQueryValueKey(key, &name, KeyValuePartialInformation, &data, sizeof(data), &length)) &&
      data.info.Type == REG_DWORD && data.info.DataLength == sizeof(ULONG)) {
    value = *(ULONG*)data.info.Data;
  }
  ZwClose(key);
  return value;
}

static void Increment(const WCHAR* valueName) { WriteCount(valueName, ReadCount(valueName) + 1); }

static void Decrement(const WCHAR* valueName) { WriteCount(valueName, ReadCount(valueName) - 1); }

static NTSTATUS Complete(PIRP irp, NTSTATUS status) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = 0;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

static NTSTATUS NTAPI DispatchCreate(PDEVICE_OBJECT object, PIRP irp) {
  (void)object;
  ExAcquireFastMutex(&mutex);
  Increment(L"Opens");
  Increment(L"OpenHandles");
  ExReleaseFastMutex(&mutex);
  return Complete(irp, STATUS_SUCCESS);
}

static NTSTATUS NTAPI DispatchClose(PDEVICE_OBJECT object, PIRP irp) {
  (void)object;
  ExAcquireFastMutex(&mutex);
  Decrement(L"OpenHandles");
  ExReleaseFastMutex(&mutex);
  return Complete(irp, STATUS_SUCCESS);
}

static NTSTATUS NTAPI DispatchControl(PDEVICE_OBJECT object, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  int notice = stack->Parameters.DeviceIoControl.IoControlCode == KELVANE_CODE_PRESENTATION &&
               stack->Parameters.DeviceIoControl.InputBufferLength == 0 &&
               stack->Parameters.DeviceIoControl.OutputBufferLength == 0;
  (void)object;
  ExAcquireFastMutex(&mutex);
  Increment(notice ? L"Notices" : L"BadRequests");
  ExReleaseFastMutex(&mutex);
  return Complete(irp, notice ? STATUS_SUCCESS : STATUS_INVALID_DEVICE_REQUEST);
}

static void NTAPI Unload(PDRIVER_OBJECT driver) {
  (void)driver;
  WriteCount(L"OpenHandlesAtUnload", ReadCount(L"OpenHandles"));
  Increment(L"Unloads");
  DeleteNamedDevice(&named);
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
  NTSTATUS status;
  (void)registryPath;
  ExInitializeFastMutex(&mutex);
  status =
      CreateNamedDevice(driver, &named, L"\\Device\\KELVANE", L"\\DosDevices\\KELVANE",
                        L"\\DosDevices\\KELVANE.VXD", DispatchCreate, DispatchClose, DispatchControl, Unload);
  if (!NT_SUCCESS(status)) return status;
  WriteCount(L"OpenHandles", 0);
  Increment(L"Loads");
  return STATUS_SUCCESS;
}
