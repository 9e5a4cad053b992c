#!/usr/bin/env python3
"""Writes demo/demo_log.adi: a season of domestic contacts of the demo
station JS2IIU (June to early December 2026), seeded so that the file is the
same every time. Partner calls, names and places are made up from common
Japanese prefixes, given names and the JARL city list.

    make_demo_log.py --partners FOLDER [YYYYMMDD]

writes instead the contacts with the two partner stations that have program
folders of their own in the demo, dated the three days before the given day
(today by default), so that they are never too old to send: FOLDER/
js2iiu_partners.adi (JS2IIU's side), ja4fjr_log.adi (three contacts, logged
as JS2IIU logged them) and jh3kmt_log.adi (three contacts, whose Japan time was
logged as UTC: their cards come nine hours off)."""
import datetime
import random
import re
import sys
from pathlib import Path

root = Path(__file__).resolve().parent.parent
cities = []
for line in (root / "tests/data/areas/jarl_jcc_list_english_2019-05-01.txt").read_text().splitlines():
    m = re.match(r"\s+(\d{4,6})\s+(\S.*)$", line)
    if m and not m.group(2).startswith("*"):
        cities.append((m.group(1), m.group(2).strip()))

rng = random.Random(20261208)
prefixes = ["JA", "JH", "JR", "JE", "JF", "JG", "JI", "JJ", "JK", "JL", "JM", "JN",
            "JO", "JP", "JQ", "JS", "7K", "7L", "7M", "7N"]
names = ["Taro", "Hiroshi", "Takeshi", "Kazuo", "Akira", "Makoto", "Yuki", "Kenji",
         "Shigeru", "Noboru", "Masao", "Hideo", "Tomoko", "Keiko", "Satoshi", "Osamu",
         "Yoshi", "Nobu", "Isamu", "Minoru", "Koji", "Ryo", "Jun", "Mitsuru"]
bands = [("3.5", "80m", 3.530), ("7", "40m", 7.024), ("14", "20m", 14.045),
         ("21", "15m", 21.040), ("28", "10m", 28.080), ("50", "6m", 50.120),
         ("144", "2m", 144.120), ("430", "70cm", 433.080)]
modes = [("CW", "599"), ("SSB", "59"), ("FT8", "-10"), ("FM", "59")]
places = ["Mt.Fuji 5th station", "Lake Hamana", "Cape Irago", "Atami beach",
          "Shizuoka Airport", "Hakone pass"]

def field(name, value):
    value = str(value)
    return "<%s:%d>%s " % (name, len(value.encode()), value)


def header(station):
    return ["Demo log of %s, made by demo/make_demo_log.py\n" % station,
            field("ADIF_VER", "3.1.4"), field("PROGRAMID", "make_demo_log"), "<EOH>\n"]


def write_partners(folder, today):
    # (call, days before today, UTC time, band, MHz, mode, report, name,
    # place, JCC, the UTC time the partner logged)
    contacts = [
        ("JA4FJR", 3, "031200", "40m", "7.041", "CW", "599", "Shin", "Kurashiki", "3102", "031200"),
        ("JA4FJR", 3, "110500", "20m", "14.074", "FT8", "-08", "Shin", "Kurashiki", "3102", "110500"),
        ("JA4FJR", 2, "092000", "6m", "50.150", "SSB", "59", "Shin", "Kurashiki", "3102", "092000"),
        ("JH3KMT", 2, "101500", "20m", "14.074", "FT8", "-06", "Kaoru", "Toyonaka", "2504", "191500"),
        ("JH3KMT", 2, "113000", "15m", "21.074", "FT8", "-10", "Kaoru", "Toyonaka", "2504", "203000"),
        ("JH3KMT", 2, "123000", "40m", "7.074", "FT8", "-14", "Kaoru", "Toyonaka", "2504", "213000"),
    ]
    logs = {"js2iiu_partners": header("JS2IIU")}
    for call, days, time, band, mhz, mode, rst, name, qth, jcc, theirs in contacts:
        date = (today - datetime.timedelta(days=days)).strftime("%Y%m%d")
        common = [field("BAND", band), field("FREQ", mhz), field("MODE", mode),
                  field("RST_SENT", rst), field("RST_RCVD", rst)]
        logs["js2iiu_partners"].append("".join(
            [field("CALL", call), field("QSO_DATE", date), field("TIME_ON", time)] + common +
            [field("NAME", name), field("QTH", qth), field("CNTY", jcc),
             field("STATION_CALLSIGN", "JS2IIU"), field("APP_SENDVIK_QSL", "J  ")]) + "<EOR>\n")
        logs.setdefault(call.lower() + "_log", header(call)).append("".join(
            [field("CALL", "JS2IIU"), field("QSO_DATE", date), field("TIME_ON", theirs)] + common +
            [field("NAME", "Ken"), field("QTH", "Hamamatsu"), field("CNTY", "180201"),
             field("STATION_CALLSIGN", call), field("APP_SENDVIK_QSL", "J  ")]) + "<EOR>\n")
    for name, lines in logs.items():
        (Path(folder) / (name + ".adi")).write_text("".join(lines))


if len(sys.argv) > 1 and sys.argv[1] == "--partners":
    day = sys.argv[3] if len(sys.argv) > 3 else datetime.date.today().strftime("%Y%m%d")
    write_partners(sys.argv[2], datetime.datetime.strptime(day, "%Y%m%d").date())
    sys.exit(0)

stations = []
for _ in range(190):
    prefix = rng.choice(prefixes)
    area = rng.choice("0123456789")
    suffix = "".join(rng.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ") for _ in range(3))
    code, city = rng.choice(cities)
    stations.append((prefix + area + suffix, rng.choice(names), code, city))

out = ["Demo log of JS2IIU, made by demo/make_demo_log.py\n",
       field("ADIF_VER", "3.1.4"), field("PROGRAMID", "make_demo_log"), "<EOH>\n"]
minute = 0
for i in range(290):
    minute += rng.randint(80, 1700)
    day, rest = divmod(minute, 1440)
    month_days = [30, 31, 31, 30, 31, 30, 31]
    month, d = 6, day
    while d >= month_days[month - 6]:
        d -= month_days[month - 6]
        month += 1
    if month > 12:
        break
    date = "2026%02d%02d" % (month, d + 1)
    time = "%02d%02d%02d" % (rest // 60, rest % 60, rng.randint(0, 59))
    call, name, code, city = rng.choice(stations)
    mhz, band, base = rng.choice(bands)
    mode, rst = rng.choice(modes if float(mhz) >= 50 else modes[:3])
    if mode == "FT8":
        rst = "-%02d" % rng.randint(1, 20)
    freq = "%.3f" % (base + rng.randint(0, 30) / 1000)
    sent = "H" if i < 40 and rng.random() < 0.5 else "N"
    rcvd = "E" if sent == "H" and rng.random() < 0.3 else " "
    route = "J" if rng.random() < 0.8 else " "
    rec = [field("CALL", call), field("QSO_DATE", date), field("TIME_ON", time),
           field("BAND", band), field("FREQ", freq), field("MODE", mode),
           field("RST_SENT", rst), field("RST_RCVD", rst if mode != "FT8" else "-%02d" % rng.randint(1, 20)),
           field("NAME", name), field("QTH", city), field("CNTY", code),
           field("STATION_CALLSIGN", "JS2IIU"), field("APP_SENDVIK_QSL", route + sent + rcvd)]
    if rng.random() < 0.12:
        rec.append(field("COMMENT", "%" + rng.choice(places) + "%"))
    elif rng.random() < 0.1:
        rec.append(field("COMMENT", "Rig#%d" % rng.randint(1, 3)))
    out.append("".join(rec) + "<EOR>\n")

(root / "demo/demo_log.adi").write_text("".join(out))
print(len(out) - 3, "QSOs", file=sys.stderr)
