; Chain or singlet - the Vestura sample catalogue
; Each entry is three lines: <NEW>, the picture under the program folder, the caption.

<NEW>
parts\chains\gold_chain.wmf
Gold chain
<NEW>
parts\chains\silver_cross.emf
Silver chain with cross

<NEW>
parts\chains\white_singlet.bmp
White singlet

; more of the same
<NEW>
parts\chains\black_singlet.bmp
Black singlet

<NEW>
parts\chains\sailor_singlet.bmp
Sailor-striped singlet
<NEW>
parts\chains\tooth_cord.tga
Leather cord with shark tooth

