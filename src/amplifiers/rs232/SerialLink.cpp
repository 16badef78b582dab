#include "amplifiers/rs232/SerialLink.h"

namespace serial {

std::string win32DevicePath(const std::string &portName) {
    static const std::string kDevicePrefix = "\\\\.\\";
    // Only "COM" in upper case takes the prefix; COM1 to COM9 are also reachable without it.
    if (portName.size() > 4 && portName.compare(0, 3, "COM") == 0 &&
        portName.compare(0, 4, kDevicePrefix) != 0)
        return kDevicePrefix + portName;
    return portName;
}

std::string posixDevicePath(const std::string &portName) {
    if (portName.find('/') == std::string::npos)
        return "/dev/" + portName;
    return portName;
}

std::string SerialLink::devicePath(const std::string &portName) {
#ifdef _WIN32
    return win32DevicePath(portName);
#else
    return posixDevicePath(portName);
#endif
}

} // namespace serial
