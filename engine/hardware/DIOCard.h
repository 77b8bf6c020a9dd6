#pragma once
// The digital I/O card: a thin wrapper over the card maker's driver library (hardware/DioDriver.h)
// and the numbered input and output functions the engine drives through it.
//
// The open device state (base address, driver handle, device list, last error) is process-wide, as
// the library's own: any CDIOCard sees the card another one opened.
#include <cstdint>
#include <string>

// Output functions of the I/O card (argument of CDrvPrint::AUXDIOSet).
enum DIOSetFuncs : int {
    DIO_SET_EMERGENCY = 0,          // P4.0 emergency output
    DIO_SET_MOTOR_B_1 = 1,          // P4.1 motor B, first direction line
    DIO_SET_MOTOR_B_2 = 2,          // P4.2 motor B, second direction line
    DIO_SET_TENSION_1 = 3,          // P4.3 tension roller 1
    DIO_SET_MOTOR_A = 4,            // P4.4 motor A on/off
    DIO_SET_BUZZER = 5,             // P4.5
    DIO_SET_WIPER_ENABLE = 6,       // P4.6, written twice; off after a 500 ms wait
    DIO_SET_WIPER_POSITION = 7,     // P4.7 with feedback: 1 out, 0 in
    DIO_SET_PUMP_COMMON = 8,        // P5.1
    DIO_SET_MANUAL_OUTPUT_1 = 9,    // P5.3 follows manual switch 1 (get 13)
    DIO_SET_MANUAL_OUTPUT_2 = 10,   // P5.4 follows manual switch 2 (get 15)
    DIO_SET_WIPER_CLEANING = 11,    // P5.2
    DIO_SET_SOLVENT_PURGE = 12,     // P5.5
    DIO_SET_MAIN_SOLVENT_PURGE = 13, // P5.6
    DIO_SET_INK_PURGE = 14,         // P5.7
    DIO_SET_COUNT = 15
};

// Input functions of the I/O card (argument of CDrvPrint::AUXDIOGet). Values 0..12 and 27 are the
// plain lines, 31..45 read the outputs back; the named ones are those the engine uses by role.
enum DIOGetFuncs : int {
    DIO_GET_SELECTOR_FIRST = 0,     // 0..7 port 0, 8..12 port 1 bits 0..4
    DIO_GET_MANUAL_SWITCH_1 = 13,   // P1.5 inverted
    DIO_GET_MANUAL_SWITCH_2 = 15,   // P1.6 inverted
    DIO_GET_SENSOR_1 = 17,          // 17..22 P0.1..P0.6 inverted (sensors 1, 2, 3, 4, 6, 7)
    DIO_GET_SENSOR_5 = 23,          // P1.0 inverted
    DIO_GET_SENSOR_8 = 24,          // P1.1 inverted
    DIO_GET_SENSOR_9 = 25,          // P0.7 inverted
    DIO_GET_SLOW_ZONE = 27,         // P0.0
    DIO_GET_EMERGENCY = 28,         // P1.7, confirmed after 200 ms
    DIO_GET_WIPER_OUT = 29,         // P1.2 inverted: 1 when the wiper is fully out
    DIO_GET_WIPER_IN = 30,          // P1.3 inverted: 1 when the wiper is fully in
    DIO_GET_OUTPUT_FIRST = 31,      // 31..37 read back P4.0..P4.6
    DIO_GET_TENSION_1 = 34,         // P4.3 read back
    DIO_GET_WIPER_FALLING = 38,     // P4.7 read twice: 1 only for 1 then 0
    DIO_GET_PUMP_COMMON = 39,       // P5.1
    DIO_GET_MANUAL_OUTPUT_1 = 40,   // P5.3
    DIO_GET_MANUAL_OUTPUT_2 = 41,   // P5.4
    DIO_GET_WIPER_CLEANING = 42,    // P5.2
    DIO_GET_SOLVENT_PURGE = 43,     // P5.5
    DIO_GET_MAIN_SOLVENT_PURGE = 44, // P5.6
    DIO_GET_INK_PURGE = 45,         // P5.7
    DIO_GET_COUNT = 46
};

class CDIOCard {
public:
    // The registry key and value of the card's I/O base address.
    static constexpr const char* kBaseAddressKey = "SYSTEM\\CurrentControlSet\\Services\\ADS1751S\\Device000";
    static constexpr const char* kBaseAddressValue = "BaseAddress";
    static constexpr int kMaxDevices = 100;

    // Opens the first device of the library's list. The base address comes from the registry
    // store of baseDir. Failures are shown to the operator ("ADDRESS NOT BE FOUND!", the library's
    // error text, "DIO Card be not found!") and the engine goes on; the result is 1 in every case,
    // IsOpen() tells whether a device is open.
    int Open(const std::string& baseDir);
    void Close() {} // the device stays open for the process

    // 1, or -1 after the error text was fetched (no message box).
    int WriteBit(unsigned port, unsigned bit, unsigned state);
    // The state read; 0 when the call fails (its error text is fetched).
    int ReadBit(unsigned port, unsigned bit);
    // The byte at an I/O address; 0 when the call fails.
    int ReadByte(unsigned address);

    static bool IsOpen();
    static uint16_t BaseAddress();
    static int32_t LastError();
    static std::string LastErrorText();
    // Name of the device in use ("" while none is open).
    static std::string DeviceName();
};
