// Finding the printer to watch when no URI is given: the spooler's port of
// the printer named by the settings value "Printer".
#ifndef DADAVIZI_IPP_DISCOVERY_H
#define DADAVIZI_IPP_DISCOVERY_H

// The printer URI for the settings value "Printer", through the spooler's
// port for it. False with the reason in `why` when there is none.
bool FindPrinterUri(char *uri, int capacity, char *why, int whySize);
// The URI a spooler port name leads to: the URL a port holds, Wine's
// "CUPS:<queue>", or a standard TCP/IP port's host.
bool UriFromPort(const char *port, char *uri, int capacity, char *why, int whySize);

#endif
