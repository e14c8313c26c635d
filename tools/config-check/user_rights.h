// The configuration check's last section, "This user": not the
// configuration but this user's rights on the keys the monitor and a status
// source write, and whether this process sees the registry as they will.
#ifndef DADAVIZI_CONFIG_CHECK_USER_RIGHTS_H
#define DADAVIZI_CONFIG_CHECK_USER_RIGHTS_H

// Reports the section; `monitor` is the settings value "Monitor" as the
// monitor reads it (empty when missing). A right this user lacks is a
// missing piece that leaves the exit code alone.
void CheckThisUser(const char *monitor);

#endif
