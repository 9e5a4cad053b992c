#pragma once
// A matched card confirms the QSO's area: its entry in the area master gets
// "C" (confirmed) for the QSO's band, and so does the area it belongs to (a
// ward's city, a town's county; Tokyo's special wards, from April 2010, the
// city of Tokyo as the logging program counts it).

struct DbfTable;

// Marks the area of QSO `recno` (read from the QSO data) as confirmed on its
// band; the number of area entries changed. Nothing for a QSO without an
// area code or a band, an area not in the master, or an area whose status
// does not count ("-").
int MarkEntityConfirmed(DbfTable& qsoData, DbfTable& areaMaster, int recno);
