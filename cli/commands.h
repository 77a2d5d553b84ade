// The commands of vq830. Each returns its exit status; what it prints on standard output is
// its result.
#pragma once

#include "cli/device_link.h"
#include "cli/options.h"
#include "protocol/settings.h"

#include <QString>
#include <vector>

// A refusal before anything was sent: the value named is wrong (exit status 2, no usage).
class EBadValue : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The command stops with an exit status of its own.
class EStop : public std::runtime_error {
public:
    EStop(int status, const std::string& message) : std::runtime_error(message), Status(status) {}
    int Status;
};

// The settings that `set` arguments give ("mode=1", "Z=9600,None,1", "slot3.header=01,03,00"),
// over `settings`, and the fields they set. Throws EBadValue naming the key and the value.
std::vector<SettingField> ApplyAssignments(const QStringList& assignments,
                                           DeviceSettings& settings);
// The lines `read` prints: one KEY=VALUE per setting, in the form `set` takes, for the
// settings among `read` only (a line stands only when every value on it was read).
QString SettingsText(const DeviceSettings& settings, const std::vector<SettingField>& read);

// Names every exchange that was not answered, on standard error; the exit status they earn.
int Judge(const std::vector<TExchange>& exchanges, const TReport& report);
// Prints each written setting that was not verified as "field<TAB>expected<TAB>found"; exit
// status 1 when there are any.
int PrintMismatches(const DeviceSettings& written, const ReadBack& read, const TReport& report);
// Writes the board serial number `number` with the options' tester; the status its answer earns.
int SendSerial(TDeviceLink& link, const QString& number, const TCliOptions& options,
               const TReport& report);
// The settings of a configuration file; EBadValue naming the file and the fault.
DeviceSettings LoadConfiguration(const QString& path);
// Refuses (EBadValue) a `value` that is not 1 to `digits` decimal digits.
void CheckNumber(const QString& key, const QString& value, int digits);

int RunRead(TDeviceLink& link, const TCliOptions& options, const TReport& report);
int RunWrite(TDeviceLink& link, const TCliOptions& options, const TReport& report);
int RunSet(TDeviceLink& link, const TCliOptions& options, const TReport& report);
int RunSerial(TDeviceLink& link, const TCliOptions& options, const TReport& report);
int RunSend(TDeviceLink& link, const TCliOptions& options, const TReport& report);
int RunPorts();
