; Hours or figure - the Vestura sample catalogue
; Each entry is three lines: <NEW>, the picture under the program folder, the caption.

<NEW>
parts\arms\gold_watch.wmf
Gold watch
<NEW>
parts\arms\divers_watch.ico
Diver's watch

<NEW>
parts\arms\anchor.emf
Anchor tattoo

; more of the same
<NEW>
parts\arms\heart.bmp
Heart tattoo

<NEW>
parts\arms\snake.bmp
Snake tattoo
<NEW>
parts\arms\faded_heart.png
Faded heart tattoo

