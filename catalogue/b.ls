; Boots - the Vestura sample catalogue
; Each entry is three lines: <NEW>, the picture under the program folder, the caption.

<NEW>
parts\boots\cowboy.bmp
Cowboy boots
<NEW>
parts\boots\sneakers.bmp
White sneakers

<NEW>
parts\boots\loafers.bmp
Penny loafers

; more of the same
<NEW>
parts\boots\flip_flops.bmp
Flip-flops

<NEW>
parts\boots\work_boots.bmp
Work boots
