#!/usr/bin/env python3
"""Announces a QSO as WSJT-X does when one is logged: its "QSO Logged" and
"Logged ADIF" datagrams to a UDP port (WSJT-X's network messages, schema 2),
so that the link can be tried without a radio.

  demo/announce_qso.py CALL [--port 2237] [--host 127.0.0.1] [--band 40m]
                            [--mode FT8] [--minutes-ago 5]
"""
import argparse
import datetime
import socket
import struct

BANDS = {"160m": 1840000, "80m": 3573000, "40m": 7074000, "30m": 10136000, "20m": 14074000,
         "17m": 18100000, "15m": 21074000, "12m": 24915000, "10m": 28074000, "6m": 50313000,
         "2m": 144460000}


def qstr(text):
    data = text.encode()
    return struct.pack(">I", len(data)) + data


def header(kind, sender="WSJT-X"):
    return struct.pack(">III", 0xADBCCBDA, 2, kind) + qstr(sender)


def qdatetime(moment):
    day = moment.date().toordinal() + 1721425  # the Julian day number
    ms = (moment.hour * 3600 + moment.minute * 60 + moment.second) * 1000
    return struct.pack(">qIB", day, ms, 1)  # 1: UTC


def qso_logged(call, on, hz, mode, my_call=""):
    return (header(5) + qdatetime(on + datetime.timedelta(seconds=60)) + qstr(call) + qstr("")
            + struct.pack(">Q", hz) + qstr(mode) + qstr("-10") + qstr("-12") + qstr("")
            + qstr("") + qstr("") + qdatetime(on) + qstr("") + qstr(my_call) + qstr("")
            + qstr("") + qstr(""))


def logged_adif(call, on, band, mode):
    record = ("<call:%d>%s <mode:%d>%s <qso_date:8>%s <time_on:6>%s <band:%d>%s "
              "<rst_sent:3>-10 <rst_rcvd:3>-12 <EOR>"
              % (len(call), call, len(mode), mode, on.strftime("%Y%m%d"), on.strftime("%H%M%S"),
                 len(band), band))
    return header(12) + qstr(record)


def main():
    parser = argparse.ArgumentParser(description="Announce a logged QSO as WSJT-X does.")
    parser.add_argument("call")
    parser.add_argument("--port", type=int, default=2237)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--band", default="40m", choices=sorted(BANDS))
    parser.add_argument("--mode", default="FT8")
    parser.add_argument("--minutes-ago", type=int, default=5)
    args = parser.parse_args()
    on = (datetime.datetime.now(datetime.timezone.utc).replace(tzinfo=None, microsecond=0)
          - datetime.timedelta(minutes=args.minutes_ago))
    call = args.call.upper()
    sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    if socket.inet_aton(args.host)[0] in range(224, 240):
        # A multicast group: sent on the loopback interface, as the program
        # listens there (WSJT-X's "Outgoing interfaces" setting does the same).
        sender.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton("127.0.0.1"))
        sender.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_LOOP, 1)
    sender.sendto(qso_logged(call, on, BANDS[args.band] + 1500, args.mode), (args.host, args.port))
    sender.sendto(logged_adif(call, on, args.band, args.mode), (args.host, args.port))
    print("%s %s UTC %s %s -> %s:%d" % (call, on.strftime("%Y-%m-%d %H:%M"), args.band, args.mode,
                                         args.host, args.port))


if __name__ == "__main__":
    main()
