/* Reference TRAVOK key driver for the Wine tests: a kernel-mode driver,
   reachable as \\.\TRAVOK and as \\.\TRAVOK.VXD, that keeps a queue of key
   events and answers the dispatcher's four control codes with one 2-byte
   word each, completing every request at once.

   It keeps exactly the promises the dispatcher relies on: reporting on/off
   switches the delivery of key events; the query is non-zero only while an
   event waits; a read returns 0 or the code of one event and removes it; an
   event the query reports becomes readable with no further request. Test-only
   codes queue key events, hold back reads and hand out what the driver saw. */
#include <ddk/wdm.h>

#include "named_device.h"
#include "test_driver_codes.h"

#define QUEUE_SIZE 64

static KSPIN_LOCK lock;
static USHORT queue[QUEUE_SIZE];
static ULONG queueHead;
static ULONG queueCount;
static ULONG readsToHold;
static TravokStats stats;
static NamedDevice named;

static void QueueKey(USHORT key) {
  if (!stats.reporting || queueCount == QUEUE_SIZE || key == 0) {
    stats.keysDropped++;
    return;
  }
  queue[(queueHead + queueCount) % QUEUE_SIZE] = key;
  queueCount++;
  stats.keysQueued++;
}

static USHORT TakeKey(void) {
  USHORT key;
  stats.reads++;
  if (queueCount == 0 || readsToHold > 0) {
    if (queueCount > 0) readsToHold--;
    stats.readsEmpty++;
    return 0;
  }
  key = queue[queueHead];
  queueHead = (queueHead + 1) % QUEUE_SIZE;
  queueCount--;
  stats.keysDelivered++;
  return key;
}

/* One of the dispatcher's codes: the word in, the word out. */
static NTSTATUS AnswerWord(ULONG code, USHORT* word) {
  switch (code) {
    case TRAVOK_CODE_REPORTING:
      stats.reporting = *word != 0;
      if (stats.reporting)
        stats.reportingOn++;
      else
        stats.reportingOff++;
      return STATUS_SUCCESS;
    case TRAVOK_CODE_STARTUP:
      stats.startupRequests++;
      return STATUS_SUCCESS;
    case TRAVOK_CODE_QUERY:
      stats.queries++;
      *word = (USHORT)queueCount;
      return STATUS_SUCCESS;
    case TRAVOK_CODE_READ:
      *word = TakeKey();
      return STATUS_SUCCESS;
  }
  return STATUS_INVALID_DEVICE_REQUEST;
}

static NTSTATUS Control(PIO_STACK_LOCATION stack, void* buffer, ULONG_PTR* information) {
  ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
  ULONG inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
  ULONG outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
  ULONG i;
  switch (code) {
    case TRAVOK_CODE_REPORTING:
    case TRAVOK_CODE_STARTUP:
    case TRAVOK_CODE_QUERY:
    case TRAVOK_CODE_READ:
      if (inLength != sizeof(USHORT) || outLength != sizeof(USHORT)) {
        stats.badRequests++;
        return STATUS_INVALID_PARAMETER;
      }
      *information = sizeof(USHORT);
      return AnswerWord(code, (USHORT*)buffer);
    case TRAVOK_TEST_QUEUE_KEYS:
      for (i = 0; i < inLength / sizeof(USHORT); i++) QueueKey(((USHORT*)buffer)[i]);
      return STATUS_SUCCESS;
    case TRAVOK_TEST_HOLD_READS:
      if (inLength != sizeof(ULONG)) return STATUS_INVALID_PARAMETER;
      readsToHold = *(ULONG*)buffer;
      return STATUS_SUCCESS;
    case TRAVOK_TEST_READ_STATS:
      if (outLength < sizeof(TravokStats)) return STATUS_BUFFER_TOO_SMALL;
      stats.keysWaiting = queueCount;
      *(TravokStats*)buffer = stats;
      *information = sizeof(TravokStats);
      return STATUS_SUCCESS;
  }
  return STATUS_INVALID_DEVICE_REQUEST;
}

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

static NTSTATUS NTAPI DispatchCreate(PDEVICE_OBJECT object, PIRP irp) {
  KIRQL irql;
  (void)object;
  KeAcquireSpinLock(&lock, &irql);
  stats.opens++;
  stats.openHandles++;
  KeReleaseSpinLock(&lock, irql);
  return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI DispatchClose(PDEVICE_OBJECT object, PIRP irp) {
  KIRQL irql;
  (void)object;
  KeAcquireSpinLock(&lock, &irql);
  stats.openHandles--;
  KeReleaseSpinLock(&lock, irql);
  return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI DispatchControl(PDEVICE_OBJECT object, PIRP irp) {
  KIRQL irql;
  ULONG_PTR information = 0;
  NTSTATUS status;
  (void)object;
  KeAcquireSpinLock(&lock, &irql);
  status = Control(IoGetCurrentIrpStackLocation(irp), irp->AssociatedIrp.SystemBuffer, &information);
  KeReleaseSpinLock(&lock, irql);
  return Complete(irp, status, NT_SUCCESS(status) ? information : 0);
}

static void NTAPI Unload(PDRIVER_OBJECT driver) {
  (void)driver;
  DeleteNamedDevice(&named);
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
  (void)registryPath;
  KeInitializeSpinLock(&lock);
  return CreateNamedDevice(driver, &named, L"\\Device\\TRAVOK", L"\\DosDevices\\TRAVOK",
                           L"\\DosDevices\\TRAVOK.VXD", DispatchCreate, DispatchClose, DispatchControl,
                           Unload);
}
