from reportlab.pdfgen import canvas
from reportlab.lib.pagesizes import A4, letter
c = canvas.Canvas("reportlab-trailer-comment.pdf", pagesize=letter, invariant=1, pageCompression=1)
c.setTitle("ReportLab invoice")
c.setAuthor("Rita Lab")
c.setSubject("Invoices")
c.setKeywords("invoice report")
c.setCreator("mk_reportlab.py")
for i in range(4):
    c.drawString(72, 720, "Page %d" % (i + 1))
    c.showPage()
c.save()
