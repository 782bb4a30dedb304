#!/usr/bin/env python3
# The anchor of the PDF benchmark: the postcode list's pages written by ReportLab.
# usage: reportlab_list.py ROWS.tsv OUT.pdf (Post Code, Suburb, State, Comments)
import sys
from reportlab.lib.pagesizes import A4
from reportlab.pdfgen import canvas
rows = [line.rstrip("\n").split("\t") for line in open(sys.argv[1], encoding="utf-8")]
pages = [rows[:51]] + [rows[i:i + 54] for i in range(51, len(rows), 54)]
pdf, columns = canvas.Canvas(sys.argv[2], pagesize=A4), (30, 80, 330, 390)
for number, page in enumerate(pages, 1):
    y = 800
    if number == 1:
        pdf.setFont("Helvetica-Bold", 14)
        pdf.drawString(30, y, "Marlune    Australian Post Code list")
        y -= 40
    pdf.setFont("Helvetica-Bold", 8)
    for x, title in zip(columns, ("Post Code", "Suburb", "State", "Comments")):
        pdf.drawString(x, y, title)
    pdf.setFont("Helvetica", 8)
    for row in page:
        y -= 13.5
        for x, text in zip(columns, row):
            pdf.drawString(x, y, text)
    pdf.drawRightString(560, 30, f"{number} of {len(pages)}")
    pdf.showPage()
pdf.save()
