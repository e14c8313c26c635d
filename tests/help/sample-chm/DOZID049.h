/* Help context numbers of the sample help file DOZID049.CHM: the numbers
   that the help map in DODOZOD.INI gives, and the keys of [Text] in
   DOZID049.INI. */
#define IDH_PRINTING        1
#define IDH_WARMING_UP      2
#define IDH_READY           3
#define IDH_POWER_SAVE      4
#define IDH_READY_AGAIN     5
#define IDH_OFFLINE         6
#define IDH_CANCELLING      7
#define IDH_TONER_LOW       8
#define IDH_TONER_EMPTY     9
#define IDH_DRUM_END        10
#define IDH_TRAY_EMPTY      11
#define IDH_SIZE_MISMATCH   12
#define IDH_TRAY_OPEN       13
#define IDH_OUTPUT_FULL     14
#define IDH_COVER_OPEN      15
#define IDH_MEMORY_FULL     16
#define IDH_PAPER_JAM       17
#define IDH_JAM_DUPLEX      18
#define IDH_JAM_OUTPUT      19
#define IDH_WASTE_TONER     20
#define IDH_NETWORK_LOST    21
#define IDH_FIRMWARE_UPDATE 22
#define IDH_SERVICE_FUSER   23
#define IDH_ATTENTION_SOON  24
#define IDH_STOPPED         25
