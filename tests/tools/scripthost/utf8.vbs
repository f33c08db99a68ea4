WScript.Echo "grüße ohne BOM"
