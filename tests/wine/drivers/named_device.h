/* The part both reference drivers share: a device \Device\NAME reachable as
   \\.\NAME through the link \DosDevices\NAME and, for the programs' Windows 9x
   path, as \\.\NAME.VXD through a second link \DosDevices\NAME.VXD (Wine
   looks a VxD name up as an NT object first), with create, close and device
   control routed to the driver's handlers, and taken away again at unload. */
#pragma once

#include <ddk/wdm.h>

typedef struct NamedDevice {
  PDEVICE_OBJECT device;
  UNICODE_STRING deviceName;
  UNICODE_STRING linkName;
  UNICODE_STRING vxdLinkName;
} NamedDevice;

static inline NTSTATUS CreateNamedDevice(PDRIVER_OBJECT driver, NamedDevice* named, const WCHAR* deviceName,
                                         const WCHAR* linkName, const WCHAR* vxdLinkName,
                                         PDRIVER_DISPATCH create, PDRIVER_DISPATCH close,
                                         PDRIVER_DISPATCH control, PDRIVER_UNLOAD unload) {
  NTSTATUS status;
  RtlInitUnicodeString(&named->deviceName, deviceName);
  RtlInitUnicodeString(&named->linkName, linkName);
  RtlInitUnicodeString(&named->vxdLinkName, vxdLinkName);
  status = IoCreateDevice(driver, 0, &named->deviceName, FILE_DEVICE_UNKNOWN, 0, FALSE, &named->device);
  if (!NT_SUCCESS(status)) return status;
  status = IoCreateSymbolicLink(&named->linkName, &named->deviceName);
  if (!NT_SUCCESS(status)) {
    IoDeleteDevice(named->device);
    return status;
  }
  status = IoCreateSymbolicLink(&named->vxdLinkName, &named->deviceName);
  if (!NT_SUCCESS(status)) {
    IoDeleteSymbolicLink(&named->linkName);
    IoDeleteDevice(named->device);
    return status;
  }
  driver->MajorFunction[IRP_MJ_CREATE] = create;
  driver->MajorFunction[IRP_MJ_CLOSE] = close;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = control;
  driver->DriverUnload = unload;
  return STATUS_SUCCESS;
}

static inline void DeleteNamedDevice(NamedDevice* named) {
  IoDeleteSymbolicLink(&named->vxdLinkName);
  IoDeleteSymbolicLink(&named->linkName);
  IoDeleteDevice(named->device);
}
