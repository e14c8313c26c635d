// Resource identifiers shared by DadaVizi.rc and the program's code.
#ifndef DADAVIZI_RESOURCE_H
#define DADAVIZI_RESOURCE_H

// Tray icons: one printer drawing in several states.
#define IDI_PRINTER          100  // ready: printer with a printed sheet
#define IDI_PRINTER_STROKE   101  // warning: one green diagonal stroke across it
#define IDI_PRINTER_CROSSED  102  // error: crossed out with a red X
#define IDI_PRINTER_OFFLINE  103  // offline: greyed out
#define IDI_PRINTER_ATTENTION 104 // attention: amber exclamation badge

#endif
