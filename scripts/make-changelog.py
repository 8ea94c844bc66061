#!/usr/bin/env python3
"""Writes debian/changelog from the release notes in the metainfo file.

  make-changelog.py METAINFO VERSION MAINTAINER > debian/changelog

The software-centre description's <releases> are the project's one list
of what each release changed; the Debian changelog is that list in
Debian's format, newest first as there. VERSION replaces the
@PROJECT_VERSION@ that the newest release is written with, and MAINTAINER
("Name <address>") signs every entry. An entry is dated at midnight UTC of
its release's date.
"""

import datetime
import email.utils
import sys
import textwrap
import xml.etree.ElementTree as ElementTree

WIDTH = 78  # Debian's tools want changelog lines shorter than 80 columns


def wrapped(text, first, rest):
    return textwrap.wrap(" ".join(text.split()), WIDTH, initial_indent=first,
                         subsequent_indent=rest, break_long_words=False,
                         break_on_hyphens=False)


def entry(release, version, maintainer):
    lines = []
    description = release.find("description")
    for block in [] if description is None else description:
        if block.tag == "p":
            lines += wrapped("".join(block.itertext()), "  ", "  ")
        for item in block.findall("li"):
            lines += wrapped("".join(item.itertext()), "  * ", "    ")
    if not lines:
        lines = [f"  * Versione {version}."]
    day = datetime.datetime.strptime(release.get("date"), "%Y-%m-%d")
    date = email.utils.format_datetime(day.replace(tzinfo=datetime.timezone.utc))
    return "\n".join([f"numino ({version}) unstable; urgency=medium", "", *lines, "",
                      f" -- {maintainer}  {date}", ""])


def main():
    metainfo, project_version, maintainer = sys.argv[1:]
    releases = ElementTree.parse(metainfo).getroot().find("releases")
    entries = []
    for release in releases.findall("release"):
        version = release.get("version").replace("@PROJECT_VERSION@", project_version)
        entries.append(entry(release, version, maintainer))
    sys.stdout.write("\n".join(entries))


if __name__ == "__main__":
    main()
