/*
 * The interface between the simulator (the host) and an ATS train plug-in,
 * version 0x00020000: the records it exchanges and the sixteen functions a
 * plug-in exports. Usable from C and C++.
 *
 * Calling notes for 64-bit Windows (a Linux build follows its own system's
 * rules; declared as below, the compiler gets both right):
 *  - Export every function by its plain name, undecorated: extern "C", and
 *    on Windows __declspec(dllexport) (x64 has one calling convention, so
 *    there is no __stdcall name decoration to strip).
 *  - Records of 16 bytes or more are passed by address: the host puts
 *    VehicleState (40 bytes), BeaconData (16) and VehicleSpec (20) in memory
 *    and passes a pointer to the copy. Declare them by value, as below; the
 *    compiler does the rest. Do not declare a pointer parameter instead.
 *  - Elapse returns a 16-byte HandleRecord: the caller passes a hidden
 *    pointer to the memory for it, and the real arguments move up one place.
 *    Again, declare the return by value and let the compiler handle it.
 *  - The host calls one function at a time, from one thread.
 *  - The panel and sound arrays belong to the host; it keeps their contents
 *    from frame to frame. Write only the entries your train uses.
 */
#ifndef TRAIN_PLUGIN_H
#define TRAIN_PLUGIN_H

#include <stdint.h>

#ifdef _WIN32
#define TRAIN_PLUGIN_EXPORT __declspec(dllexport)
#else
#define TRAIN_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The only interface version this header describes. */
#define TRAIN_PLUGIN_VERSION 0x00020000

/* Little-endian, natural alignment, no gaps: offsets in the comments. */

/* The train, given once before Initialize. */
typedef struct VehicleSpec {
  int32_t brakeNotches; /*  0: service brake notches; brakeNotches + 1 is the emergency brake */
  int32_t powerNotches; /*  4 */
  int32_t notch3;       /*  8: a further notch number the host passes for the plug-in's use */
  int32_t notch4;       /* 12: and another */
  int32_t cars;         /* 16 */
} VehicleSpec;          /* 20 bytes */

/* The train's state, every frame. */
typedef struct VehicleState {
  double location; /*  0: front of the train, m */
  float speed;     /*  8: km/h, negative when running backwards */
  int32_t time;    /* 12: ms since midnight */
  float bc;        /* 16: brake cylinder pressure, kPa */
  float mr;        /* 20: main reservoir, kPa */
  float er;        /* 24: equalising reservoir, kPa */
  float bp;        /* 28: brake pipe, kPa */
  float sap;       /* 32: straight air pipe, kPa */
  float current;   /* 36: traction current, A */
} VehicleState;    /* 40 bytes */

/* A beacon the train's front has just passed. */
typedef struct BeaconData {
  int32_t type;     /*  0: what kind of beacon; the route decides the numbers */
  int32_t signal;   /*  4: the aspect of the signal it belongs to */
  float distance;   /*  8: metres to that signal */
  int32_t optional; /* 12: the route's own value */
} BeaconData;       /* 16 bytes */

/* What Elapse hands back: the handles the train is to run on. */
typedef struct HandleRecord {
  int32_t brake;         /*  0: brake notch */
  int32_t power;         /*  4: power notch */
  int32_t reverser;      /*  8: -1 backwards, 0 neutral, 1 forwards */
  int32_t constantSpeed; /* 12: the host's own instruction; return 0 unless you use it */
} HandleRecord;          /* 16 bytes */

/* The sixteen entry points, in the order the host first calls them. */
TRAIN_PLUGIN_EXPORT void Load(void);
TRAIN_PLUGIN_EXPORT int32_t GetPluginVersion(void); /* return TRAIN_PLUGIN_VERSION */
TRAIN_PLUGIN_EXPORT void SetVehicleSpec(VehicleSpec vehicle);
TRAIN_PLUGIN_EXPORT void Initialize(int32_t brakeMode); /* how the train starts */
TRAIN_PLUGIN_EXPORT HandleRecord Elapse(VehicleState state, int32_t* panel, int32_t* sound);
TRAIN_PLUGIN_EXPORT void SetPower(int32_t notch); /* the driver's handles */
TRAIN_PLUGIN_EXPORT void SetBrake(int32_t notch);
TRAIN_PLUGIN_EXPORT void SetReverser(int32_t position);
TRAIN_PLUGIN_EXPORT void KeyDown(int32_t key);
TRAIN_PLUGIN_EXPORT void KeyUp(int32_t key);
TRAIN_PLUGIN_EXPORT void HornBlow(int32_t horn);
TRAIN_PLUGIN_EXPORT void DoorOpen(void);
TRAIN_PLUGIN_EXPORT void DoorClose(void);
TRAIN_PLUGIN_EXPORT void SetSignal(int32_t aspect); /* the signal ahead changed */
TRAIN_PLUGIN_EXPORT void SetBeaconData(BeaconData beacon);
TRAIN_PLUGIN_EXPORT void Dispose(void);

#ifdef __cplusplus
}
#endif

#endif
