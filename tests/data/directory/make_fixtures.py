#!/usr/bin/env python3
"""Writes the directory reader fixtures of this folder. Run it here: python3 make_fixtures.py.

Everything is invented: people, organisations and the .example domains. Base64, folding, code page
1251 and UTF-16 come from Python's own codecs, not from the readers under test."""
import base64

GAL_DN = ("CN=Default Global Address List,CN=All Global Address Lists,CN=Address Lists Container,"
          "CN=Eflab,CN=Microsoft Exchange,CN=Services,CN=Configuration,DC=eflab,DC=example")
ALL_USERS = ("CN=All Users,CN=All Address Lists,CN=Address Lists Container,CN=Eflab,"
             "CN=Microsoft Exchange,CN=Services,CN=Configuration,DC=eflab,DC=example")
EX2003 = "/o=Eflab/ou=First Administrative Group/cn=Recipients/cn="
EX2010 = "/o=Eflab/ou=Exchange Administrative Group (FYDIBOHF23SPDLT)/cn=Recipients/cn="


def ldif_line(attr, value, width):
    """One attribute as ldapsearch writes it: base64 when not plain ASCII or blanks at the ends."""
    safe = value.isascii() and value == value.strip() and not value.startswith((":", "<"))
    line = f"{attr}: {value}" if safe else f"{attr}:: " + base64.b64encode(value.encode()).decode()
    if width is None or len(line) <= width:
        return [line]
    out = [line[:width]]
    rest = line[width:]
    while rest:
        out.append(" " + rest[:width - 1])
        rest = rest[width - 1:]
    return out


def ldif(records, width, eol, header=()):
    lines = list(header)
    for record in records:
        for attr, value in record:
            lines += ldif_line(attr, value, width)
        lines.append("")
    return eol.join(lines) + eol


# An LDAP search of an Exchange directory (ldapsearch -LLL): no version line, non-ASCII values and
# DNs in base64, folded at 78 columns, LF.
ldapsearch = [
    [("dn", "dc=eflab,dc=example"), ("objectClass", "dcObject"), ("dc", "eflab")],
    [("dn", "cn=Орлов Игорь Семёнович,ou=Staff,dc=eflab,dc=example"), ("objectClass", "inetOrgPerson"),
     ("cn", "Орлов Игорь Семёнович"), ("displayName", "Орлов Игорь Семёнович"),
     ("mail", "i.orlov@eflab.example"), ("legacyExchangeDN", EX2003 + "orlov"),
     ("proxyAddresses", "X500:/o=Old/ou=Site/cn=Recipients/cn=orlov_old"),
     ("showInAddressBook", GAL_DN), ("showInAddressBook", ALL_USERS)],
    [("dn", "cn=Белова Анна,ou=Staff,dc=eflab,dc=example"), ("objectClass", "inetOrgPerson"),
     ("displayName", "  Белова Анна  "), ("legacyExchangeDN", EX2010 + "belova"),
     ("showInAddressBook", ALL_USERS), ("showInAddressBook", GAL_DN)],
    [("dn", "cn=Зайцев Роман,ou=Contacts,dc=eflab,dc=example"), ("objectClass", "inetOrgPerson"),
     ("displayName", "Зайцев Роман (ООО «Партнёр»)"), ("mail", "roman@partner.example"),
     ("targetAddress", "SMTP:r.zaitsev@partner.example"), ("showInAddressBook", GAL_DN)],
    [("dn", "cn=scanner,ou=Staff,dc=eflab,dc=example"), ("objectClass", "inetOrgPerson"),
     ("legacyExchangeDN", EX2010 + "scanner"), ("showInAddressBook", GAL_DN)],
    [("dn", "cn=Тихонова Вера,ou=Staff,dc=eflab,dc=example"), ("objectClass", "inetOrgPerson"),
     ("displayName", "Тихонова Вера"), ("legacyExchangeDN", EX2010 + "tikhonova"),
     ("showInAddressBook", GAL_DN), ("msExchHideFromAddressLists", "TRUE")],
    [("dn", "cn=Гусев Павел,ou=Staff,dc=eflab,dc=example"), ("objectClass", "inetOrgPerson"),
     ("displayName", "Гусев Павел"), ("legacyExchangeDN", EX2010 + "gusev"), ("showInAddressBook", ALL_USERS)],
    [("dn", "cn=Лебедев Илья,ou=Staff,dc=eflab,dc=example"), ("objectClass", "inetOrgPerson"),
     ("displayName", "Лебедев Илья"), ("mail", "i.lebedev@eflab.example")],
    [("dn", "cn=Ким Олег,ou=Staff,dc=eflab,dc=example"), ("objectClass", "inetOrgPerson"),
     ("displayName", "Ким Олег"), ("mail", "o.kim@eflab.example"), ("showInAddressBook", GAL_DN)],
]
with open("gal-ldapsearch.ldif", "w", encoding="utf-8", newline="") as f:
    f.write(ldif(ldapsearch, 78, "\n"))

# A Windows directory export in Unicode mode: UTF-16 LE with a byte-order mark, CR LF, a version
# line, comments (one folded), "changetype: add", raw Cyrillic values, no showInAddressBook at all.
ldifde = [
    [("dn", "CN=Фролова Дарья,OU=Staff,DC=eflab,DC=example"), ("changetype", "add"),
     ("objectClass", "user"), ("displayName", "Фролова Дарья Олеговна"),
     ("legacyExchangeDN", EX2003 + "frolova"), ("objectGUID", "AhAAAAAAAAAAAAAAAAAAAA==")],
    [("dn", "CN=Отдел кадров,OU=Groups,DC=eflab,DC=example"), ("changetype", "add"),
     ("objectClass", "group"), ("cn", "Отдел кадров")],
    [("dn", "CN=Мельников Юрий,OU=Staff,DC=eflab,DC=example"), ("changetype", "add"),
     ("objectClass", "user"), ("mail", "y.melnikov@eflab.example")],
    [("dn", "CN=Скрытый,OU=Staff,DC=eflab,DC=example"), ("changetype", "add"),
     ("displayName", "Скрытый Ящик"), ("mail", "hidden@eflab.example"), ("msExchHideFromAddressLists", "TRUE")],
]
lines = []
for record in ldifde:
    for attr, value in record:
        if attr == "objectGUID":
            lines.append(f"{attr}:: {value}")
        else:
            lines.append(f"{attr}: {value}")
    lines.append("")
text = ("# Export of the Eflab directory\r\n# written in Unicode mode and continued\r\n  on a folded comment line\r\n"
        "version: 1\r\n\r\n" + "\r\n".join(lines) + "\r\n")
with open("gal-ldifde-utf16.ldf", "wb") as f:
    f.write(b"\xff\xfe" + text.encode("utf-16-le"))


def qp(text, codec="cp1251"):
    return "".join(f"={b:02X}" for b in text.encode(codec))


def soft_break(encoded, width=60, indent=""):
    """Splits quoted-printable text into lines ending in "=" without splitting an "=XX" triple."""
    out, line = [], ""
    for i in range(0, len(encoded), 3):
        triple = encoded[i:i + 3]
        if len(line) + len(triple) > width:
            out.append(line + "=")
            line = indent
        line += triple
    out.append(line)
    return "\r\n".join(out)


# vCard 2.1 as a mail client exports it: CR LF, raw code page 1251 under CHARSET=windows-1251,
# QUOTED-PRINTABLE with soft line breaks (one continuation indented by a blank, as some writers do),
# a photo as a base64 block ended by a blank line, a work fax before the work voice number.
card1 = ("BEGIN:VCARD\r\nVERSION:2.1\r\n"
         "N;LANGUAGE=ru;CHARSET=windows-1251:").encode() + "Орлов;Игорь;Семёнович".encode("cp1251") + (
         "\r\nFN;CHARSET=windows-1251:").encode() + "Игорь Орлов".encode("cp1251") + (
         "\r\nTEL;WORK;VOICE:+7 (495) 700-10-01, 700-10-02\r\n"
         "TEL;CELL;VOICE:+7 (916) 700-10-03\r\n"
         "LABEL;WORK;PREF;CHARSET=Windows-1251;ENCODING=QUOTED-PRINTABLE:" + soft_break(qp("ул. Садовая, д. 5\r\nМосква"), 40) + "\r\n"
         "X-MS-OL-DESIGN;CHARSET=utf-8:<card xmlns=\"http://schemas.microsoft.com/office/outlook/12/electronicbusinesscards\"/>\r\n"
         "PHOTO;TYPE=JPEG;ENCODING=BASE64:\r\n/9j/4AAQSkZJRgABAQEAYABgAAD\r\n2wBDAAgGBgcGBQgHBwcJCQgKDBQN\r\n\r\n"
         "END:VCARD\r\n").encode()
long_last = "Рождественская-Великорецкая"
card2 = ("BEGIN:VCARD\r\nVERSION:2.1\r\n"
         "N;CHARSET=Windows-1251;ENCODING=QUOTED-PRINTABLE:" + soft_break(qp(long_last + ";Ульяна;Петровна"), 45) + "\r\n"
         "TEL;WORK;FAX:+7 (812) 700-20-09\r\n"
         "TEL;WORK;VOICE:+7 (812) 700-20-01\r\n"
         "TEL;WORK;VOICE:+7 (812) 700-20-02\r\n"
         "NOTE;CHARSET=Windows-1251;ENCODING=QUOTED-PRINTABLE:" + soft_break(qp("Звонить после 15:00 — только по делу"), 30, " ") + "\r\n"
         "END:VCARD\r\n").encode()
card3 = ("BEGIN:VCARD\r\nVERSION:2.1\r\n"
         "N;CHARSET=windows-1251:").encode() + "Щукин;;".encode("cp1251") + (
         "\r\nTEL;HOME;VOICE:8 (495) 700-30-01\r\nTEL;TYPE=WORK;TYPE=VOICE:30-01\r\nEND:VCARD\r\n").encode()
card4 = ("BEGIN:VCARD\r\nVERSION:2.1\r\n"
         "N;CHARSET=windows-1251;ENCODING=QUOTED-PRINTABLE:" + soft_break(qp("Ёжикова;Алёна"), 24, " ") + "\r\n"
         "TEL;HOME;VOICE:8 (495) 700-40-01\r\nTEL;CELL:+7 (903) 700-40-02\r\nTEL;PAGER:700-40-03\r\n"
         "END:VCARD\r\n").encode()
with open("contacts-21-cp1251.vcf", "wb") as f:
    f.write(card1 + card2 + card3 + card4)


def fold_octets(line, width=75):
    """Folds a line at `width` octets, cutting UTF-8 characters where they fall (RFC 6350 3.2)."""
    data = line.encode()
    parts = [data[:width]]
    data = data[width:]
    while data:
        parts.append(b" " + data[:width - 1])
        data = data[width - 1:]
    return b"\r\n".join(parts)


def card(lines):
    return b"".join(fold_octets(l) + b"\r\n" for l in lines)


v3 = card(["BEGIN:VCARD", "VERSION:3.0", "PRODID:-//Eflab//Contacts//RU",
           "N:Константиновский-Богородицкий;Святослав;Владимирович;;",
           "FN:Святослав Владимирович Константиновский-Богородицкий",
           "ORG:ООО «Северная звезда»\\; филиал;Отдел снабжения и логистики",
           "TEL;TYPE=WORK,FAX:+7 (812) 700-50-09",
           "TEL;type=WORK;type=pref:+7 (812) 700-50-01\\, доб. 12",
           "END:VCARD"])
v3 += card(["BEGIN:VCARD", "VERSION:3.0", "N:Ли\\;Чан;Мин\\,Хо;;;",
            "item1.TEL;TYPE=WORK:700-60-01", "item1.X-ABLabel:_$!<Work>!$_", "END:VCARD"])
v3 += card(["BEGIN:VCARD", "VERSION:3.0", "N:Соболева;Нина;;;",
            "TEL;TYPE=HOME:700-70-01", "NOTE:первая строка\\nвторая", "END:VCARD"])
with open("contacts-30.vcf", "wb") as f:
    f.write(v3)

v4 = card(["BEGIN:VCARD", "VERSION:4.0", "FN:Тарасов Глеб", "N:Тарасов;Глеб;;;",
           "TEL;VALUE=uri;TYPE=\"work,voice\":tel:+7-495-700-80-01",
           "TEL;VALUE=uri;TYPE=cell:tel:+7-916-700-80-02", "END:VCARD"])
v4 += card(["BEGIN:VCARD", "VERSION:4.0", "N:Яковлева\\, Орлова;Инна;;;",
            "TEL;TYPE=\"voice,work\";PREF=1:700-90-01\\, 700-90-02", "END:VCARD"])
with open("contacts-40.vcf", "wb") as f:
    f.write(v4)
