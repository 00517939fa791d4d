/* Control codes and records shared by the reference drivers of the Wine tests
   and drvctl.exe, the tool through which the test scripts talk to them.
   Plain C: the drivers are built without a C runtime. */
#ifndef TEST_DRIVER_CODES_H
#define TEST_DRIVER_CODES_H

/* CTL_CODE(FILE_DEVICE_UNKNOWN, function, METHOD_BUFFERED, FILE_ANY_ACCESS) */
#define TEST_CTL_CODE(function) ((0x22u << 16) | ((function) << 2))

/* The four codes the dispatcher sends to TRAVOK, each with one 2-byte word. */
#define TRAVOK_CODE_STARTUP TEST_CTL_CODE(0x901u)   /* 0x222404 */
#define TRAVOK_CODE_QUERY TEST_CTL_CODE(0x902u)     /* 0x222408 */
#define TRAVOK_CODE_READ TEST_CTL_CODE(0x903u)      /* 0x22240C */
#define TRAVOK_CODE_REPORTING TEST_CTL_CODE(0x905u) /* 0x222414 */

/* Test-only codes of TRAVOK. */
/* Input: an array of 16-bit key codes, queued as if the keys were pressed. */
#define TRAVOK_TEST_QUEUE_KEYS TEST_CTL_CODE(0x9A0u)
/* Output: a TravokStats record. */
#define TRAVOK_TEST_READ_STATS TEST_CTL_CODE(0x9A1u)
/* Input: a 32-bit count n: the next n reads that find a key waiting return 0
   and keep it, as a slow keyboard controller might. */
#define TRAVOK_TEST_HOLD_READS TEST_CTL_CODE(0x9A2u)

/* The one request kelvane sends to KELVANE (no buffers). */
#define KELVANE_CODE_PRESENTATION TEST_CTL_CODE(0x900u) /* 0x222400 */

/* What TRAVOK saw since it was loaded. */
typedef struct TravokStats {
  unsigned int reporting;       /* current flag: 1 on, 0 off */
  unsigned int reportingOn;     /* requests that switched reporting on */
  unsigned int reportingOff;    /* requests that switched reporting off */
  unsigned int startupRequests; /* 0x222404 requests */
  unsigned int queries;         /* 0x222408 requests */
  unsigned int reads;           /* 0x22240C requests */
  unsigned int readsEmpty;      /* reads that returned 0 */
  unsigned int keysQueued;      /* key events accepted into the queue */
  unsigned int keysDropped;     /* key events lost: reporting off or queue full */
  unsigned int keysDelivered;   /* key events handed out by reads */
  unsigned int keysWaiting;     /* key events in the queue now */
  unsigned int badRequests;     /* one of the four codes with a buffer other than 2 bytes in and out */
  unsigned int opens;           /* handles opened on the device */
  unsigned int openHandles;     /* handles open now */
} TravokStats;

/* Registry key below HKEY_LOCAL_MACHINE in which KELVANE counts what it saw,
   so that a test can read it while kelvane holds the device open exclusively. */
#define KELVANE_STATS_KEY "Software\\WineTests\\KelvaneDriver"

#endif
