<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>CustomPlotItem</name>
    <message>
        <source>above the weight range shown</source>
        <translation>au-dessus de la plage de poids affichée</translation>
    </message>
    <message>
        <source>below the weight range shown</source>
        <translation>en dessous de la plage de poids affichée</translation>
    </message>
</context>
<context>
    <name>DesktopApplication</name>
    <message>
        <source>Weight Plot</source>
        <translation>Courbe de poids</translation>
    </message>
    <message>
        <source>Amplifier QA</source>
        <translation>Contrôle amplificateur</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Paramètres</translation>
    </message>
    <message>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <source>Components</source>
        <translation>Composants</translation>
    </message>
    <message>
        <source>Stop Recording?</source>
        <translation>Arrêter l&apos;enregistrement ?</translation>
    </message>
    <message>
        <source>A recording is running. Exit ends it; the rows recorded so far stay in the file.</source>
        <translation>Un enregistrement est en cours. Quitter l&apos;arrête ; les lignes déjà enregistrées restent dans le fichier.</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>Link</source>
        <translation>Liaison</translation>
    </message>
    <message>
        <source>Calibration Check</source>
        <translation>Vérification d&apos;étalonnage</translation>
    </message>
</context>
<context>
    <name>DesktopSidebar</name>
    <message>
        <source>Amplifier Manager</source>
        <translation>Gestion des amplificateurs</translation>
    </message>
    <message>
        <source>Weight Plot</source>
        <translation>Courbe de poids</translation>
    </message>
    <message>
        <source>Amplifier QA</source>
        <translation>Contrôle amplificateur</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Paramètres</translation>
    </message>
    <message>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>Link</source>
        <translation>Liaison</translation>
    </message>
    <message>
        <source>Calibration Check</source>
        <translation>Vérification d&apos;étalonnage</translation>
    </message>
</context>
<context>
    <name>DeviceIdScan</name>
    <message>
        <source>%1 (duplicate: two devices answer this id)</source>
        <translation>%1 (en double : deux appareils répondent à cet identifiant)</translation>
    </message>
    <message>
        <source>Scan failed: %1</source>
        <translation>Échec de la recherche : %1</translation>
    </message>
    <message>
        <source>%1 / %2 ids probed, %3 found</source>
        <translation>%1 / %2 identifiants interrogés, %3 trouvés</translation>
    </message>
    <message>
        <source>Scanning: %1</source>
        <translation>Recherche : %1</translation>
    </message>
    <message>
        <source>Scan cancelled: %1</source>
        <translation>Recherche annulée : %1</translation>
    </message>
    <message>
        <source>Scan done: %1</source>
        <translation>Recherche terminée : %1</translation>
    </message>
    <message>
        <source>%1 (refuses: %2)</source>
        <translation>%1 (refuse : %2)</translation>
    </message>
    <message>
        <source>%1 (AD %2)</source>
        <translation>%1 (AD %2)</translation>
    </message>
</context>
<context>
    <name>DialogConfirm</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>DialogMessage</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>FileHandler</name>
    <message>
        <source>Path is empty</source>
        <translation>Le chemin est vide</translation>
    </message>
    <message>
        <source>Directory doesn&apos;t exist and cannot be created</source>
        <translation>Le dossier n&apos;existe pas et ne peut pas être créé</translation>
    </message>
    <message>
        <source>Location is writable</source>
        <translation>L&apos;emplacement est accessible en écriture</translation>
    </message>
    <message>
        <source>No write permission for this location</source>
        <translation>Pas de droit d&apos;écriture à cet emplacement</translation>
    </message>
</context>
<context>
    <name>FrameListModel</name>
    <message>
        <source>id %1</source>
        <translation>id %1</translation>
    </message>
    <message>
        <source>Load cell %1</source>
        <translation>Capteur %1</translation>
    </message>
    <message numerus="yes">
        <source> … (%n bytes)</source>
        <translation>
            <numerusform> … (%n octet)</numerusform>
            <numerusform> … (%n octets)</numerusform>
        </translation>
    </message>
    <message>
        <source>exception/abort</source>
        <translation>exception/abandon</translation>
    </message>
    <message>
        <source>No file was chosen.</source>
        <translation>Aucun fichier choisi.</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation>Impossible d&apos;écrire %1 : %2</translation>
    </message>
</context>
<context>
    <name>InputRules</name>
    <message>
        <source>Unknown setting.</source>
        <translation>Réglage inconnu.</translation>
    </message>
    <message>
        <source>Empty: enter a whole number from %1 to %2.</source>
        <translation>Vide : saisissez un nombre entier de %1 à %2.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a whole number: enter one from %2 to %3.</source>
        <translation>« %1 » n&apos;est pas un nombre entier : saisissez-en un de %2 à %3.</translation>
    </message>
    <message>
        <source>%1 is outside %2 to %3.</source>
        <translation>%1 est en dehors de %2 à %3.</translation>
    </message>
    <message>
        <source>Device ID must be a whole number from %1 to %2 for %3 (typed: &quot;%4&quot;).</source>
        <translation>L&apos;identifiant doit être un nombre entier de %1 à %2 pour %3 (saisi : « %4 »).</translation>
    </message>
    <message>
        <source>Span Weight(g) must be a number of grams, such as 1000 (typed: &quot;%1&quot;).</source>
        <translation>Le poids d&apos;étalonnage (g) doit être un nombre de grammes, par exemple 1000 (saisi : « %1 »).</translation>
    </message>
    <message>
        <source>The span weight %1 g is too large: the amplifier stores at most %2 g.</source>
        <translation>Le poids d&apos;étalonnage de %1 g est trop grand : l&apos;amplificateur enregistre au plus %2 g.</translation>
    </message>
</context>
<context>
    <name>LinkRegisters</name>
    <message>
        <source>Choose an amplifier first.</source>
        <translation>Choisissez d&apos;abord un amplificateur.</translation>
    </message>
    <message>
        <source>not in the register map</source>
        <translation>absent de la table des registres</translation>
    </message>
    <message>
        <source>%1 %2, takes %3 to %4</source>
        <translation>%1 %2, accepte de %3 à %4</translation>
    </message>
    <message>
        <source>%1 %2, any 32-bit value</source>
        <translation>%1 %2, toute valeur sur 32 bits</translation>
    </message>
    <message>
        <source>Load cell %1 holds %2 (0x%3) in %4.</source>
        <translation>Le capteur %1 contient %2 (0x%3) dans %4.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no value: type a whole number from 0 to 4294967295.</source>
        <translation>« %1 » n&apos;est pas une valeur : tapez un nombre entier de 0 à 4294967295.</translation>
    </message>
    <message>
        <source>%1 takes %2 to %3; %4 was not written.</source>
        <translation>%1 accepte de %2 à %3 ; %4 n&apos;a pas été écrit.</translation>
    </message>
    <message>
        <source>Write %1 into %2 of load cell %3? It is read back afterwards.</source>
        <translation>Écrire %1 dans %2 du capteur %3 ? La valeur est relue ensuite.</translation>
    </message>
    <message>
        <source>Written and read back: load cell %1 holds %2 in %3.</source>
        <translation>Écrit et relu : le capteur %1 contient %2 dans %3.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no entry: type index:sub in hex, e.g. 2018:00, or a setting&apos;s name.</source>
        <translation>« %1 » n&apos;est pas une entrée : tapez index:sous-index en hexadécimal, p. ex. 2018:00, ou le nom d&apos;un réglage.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no register: type 0x0056 or 86, or a setting&apos;s name.</source>
        <translation>« %1 » n&apos;est pas un registre : tapez 0x0056 ou 86, ou le nom d&apos;un réglage.</translation>
    </message>
</context>
<context>
    <name>LinkStatsModel</name>
    <message>
        <source>This amplifier&apos;s link keeps no counters.</source>
        <translation>La liaison de cet amplificateur ne tient pas de compteurs.</translation>
    </message>
    <message>
        <source>exception %1: %2</source>
        <translation>exception %1 : %2</translation>
    </message>
    <message>
        <source>abort 0x%1: %2</source>
        <translation>abandon 0x%1 : %2</translation>
    </message>
    <message>
        <source>refused by code: %1</source>
        <translation>refus par code : %1</translation>
    </message>
    <message>
        <source>garbled or cut answers: %1</source>
        <translation>réponses illisibles ou tronquées : %1</translation>
    </message>
    <message>
        <source>port errors: %1</source>
        <translation>erreurs du port : %1</translation>
    </message>
    <message>
        <source>last error at %1: %2</source>
        <translation>dernière erreur à %1 : %2</translation>
    </message>
</context>
<context>
    <name>PopupCalibrationPage</name>
    <message>
        <source>Connection Error</source>
        <translation>Erreur de connexion</translation>
    </message>
    <message>
        <source>Failed to connect to amplifier. Please check your connection.</source>
        <translation>Connexion à l&apos;amplificateur impossible. Vérifiez la liaison.</translation>
    </message>
    <message>
        <source>No protocol was chosen.</source>
        <translation>Aucun protocole n&apos;a été choisi.</translation>
    </message>
    <message>
        <source>Unknown protocol &quot;%1&quot;.</source>
        <translation>Protocole inconnu « %1 ».</translation>
    </message>
    <message>
        <source>The amplifier did not answer.</source>
        <translation>L&apos;amplificateur n&apos;a pas répondu.</translation>
    </message>
    <message>
        <source>No AD value has arrived yet: wait until the read-out counts, then press %1 again.</source>
        <translation>Aucune valeur AD reçue pour l&apos;instant : attendez que l&apos;affichage compte, puis appuyez de nouveau sur %1.</translation>
    </message>
    <message>
        <source>no answer for %1 s</source>
        <translation>sans réponse depuis %1 s</translation>
    </message>
    <message>
        <source>The AD read-out is not current (%1): wait until it counts again, then press %2 again.</source>
        <translation>L&apos;affichage AD n&apos;est pas à jour (%1) : attendez qu&apos;il compte de nouveau, puis appuyez de nouveau sur %2.</translation>
    </message>
    <message>
        <source>Connect an amplifier first.</source>
        <translation>Connectez d&apos;abord un amplificateur.</translation>
    </message>
    <message>
        <source>Press ZERO with the scale empty and SPAN with the known weight on it before Calibrate, or tick Pre-Calibrated to keep the amplifier&apos;s own calibration.</source>
        <translation>Appuyez sur ZÉRO balance vide et sur ÉTENDUE avec le poids connu posé avant d&apos;étalonner, ou cochez Pré-étalonné pour garder l&apos;étalonnage de l&apos;amplificateur.</translation>
    </message>
    <message>
        <source>Device ID</source>
        <translation>Identifiant</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Scan</source>
        <translation>Rechercher</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Connecter</translation>
    </message>
    <message>
        <source>Pre-Calibrated</source>
        <translation>Pré-étalonné</translation>
    </message>
    <message>
        <source>Calibration Type</source>
        <translation>Type d&apos;étalonnage</translation>
    </message>
    <message>
        <source>ZERO</source>
        <translation>ZÉRO</translation>
    </message>
    <message>
        <source>SPAN</source>
        <translation>ÉTENDUE</translation>
    </message>
    <message>
        <source>Zero Calibration</source>
        <translation>Étalonnage du zéro</translation>
    </message>
    <message>
        <source>Span Calibration</source>
        <translation>Étalonnage de l&apos;étendue</translation>
    </message>
    <message>
        <source>Span Weight(g): </source>
        <translation>Poids d&apos;étendue (g) : </translation>
    </message>
    <message>
        <source>Calibrate</source>
        <translation>Étalonner</translation>
    </message>
    <message>
        <source>Invalid Input</source>
        <translation>Saisie invalide</translation>
    </message>
    <message>
        <source>This amplifier is already on the Weight Plot screen as amplifier %1; it is not added twice.</source>
        <translation>Cet amplificateur est déjà sur l&apos;écran Courbe de poids comme amplificateur %1 ; il n&apos;est pas ajouté deux fois.</translation>
    </message>
    <message>
        <source>CANopen: type the span weight before pressing SPAN; SPAN sends it to the amplifier.</source>
        <translation>CANopen : saisissez le poids d&apos;étalonnage avant d&apos;appuyer sur SPAN ; SPAN l&apos;envoie à l&apos;amplificateur.</translation>
    </message>
    <message>
        <source>Calibration Points Close Together</source>
        <translation>Points d&apos;étalonnage trop proches</translation>
    </message>
    <message>
        <source>Calibrate Anyway</source>
        <translation>Étalonner quand même</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
</context>
<context>
    <name>PopupFiltersSetting</name>
    <message>
        <source>Amplifier %1 cannot report its current settings: the fields keep what was last entered, and empty fields write the defaults.</source>
        <translation>L&apos;amplificateur %1 ne peut pas indiquer ses réglages actuels : les champs gardent la dernière saisie et les champs vides écrivent les valeurs par défaut.</translation>
    </message>
    <message>
        <source>The current settings of amplifier %1 could not be read (%2): the fields keep what was last entered, and empty fields write the defaults.</source>
        <translation>Les réglages actuels de l&apos;amplificateur %1 n&apos;ont pas pu être lus (%2) : les champs gardent la dernière saisie et les champs vides écrivent les valeurs par défaut.</translation>
    </message>
    <message>
        <source>The fields show the current settings of amplifier %1.</source>
        <translation>Les champs montrent les réglages actuels de l&apos;amplificateur %1.</translation>
    </message>
    <message>
        <source>Success</source>
        <translation>Réussite</translation>
    </message>
    <message>
        <source>Filter settings applied successfully.</source>
        <translation>Réglages de filtrage appliqués.</translation>
    </message>
    <message>
        <source>Settings applied to amplifiers %1; not applied to the others.</source>
        <translation>Réglages appliqués aux amplificateurs %1 ; pas aux autres.</translation>
    </message>
    <message>
        <source>No amplifier took the settings.</source>
        <translation>Aucun amplificateur n&apos;a pris les réglages.</translation>
    </message>
    <message>
        <source>Filter Settings Failed</source>
        <translation>Échec des réglages de filtrage</translation>
    </message>
    <message>
        <source>Filter Settings</source>
        <translation>Réglages de filtrage</translation>
    </message>
    <message>
        <source>Selected Amplifiers: </source>
        <translation>Amplificateurs choisis : </translation>
    </message>
    <message>
        <source>Enable FIR Filtering</source>
        <translation>Activer le filtrage FIR</translation>
    </message>
    <message>
        <source>Zero Point</source>
        <translation>Point zéro</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Appliquer</translation>
    </message>
    <message>
        <source>it did not report back.</source>
        <translation>il n&apos;a rien rapporté.</translation>
    </message>
    <message>
        <source>Load cell %1: %2</source>
        <translation>Capteur %1 : %2</translation>
    </message>
    <message>
        <source>Filtering Level (%1)</source>
        <translation>Niveau de filtrage (%1)</translation>
    </message>
    <message>
        <source>Filtering Bandwidth (%1)</source>
        <translation>Bande de filtrage (%1)</translation>
    </message>
    <message>
        <source>Auto Zero Tracking Time (%1)</source>
        <translation>Durée du suivi de zéro (%1)</translation>
    </message>
    <message>
        <source>Auto Zero Tracking Bandwidth (%1)</source>
        <translation>Bande du suivi de zéro (%1)</translation>
    </message>
    <message>
        <source>Stability Determination Time (%1)</source>
        <translation>Durée de détection de stabilité (%1)</translation>
    </message>
</context>
<context>
    <name>PopupInstrumentSelection</name>
    <message>
        <source>Protocol</source>
        <translation>Protocole</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Modèle</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>Choisir</translation>
    </message>
    <message>
        <source>Choose a protocol first.</source>
        <translation>Choisissez d&apos;abord un protocole.</translation>
    </message>
</context>
<context>
    <name>PopupMultiPointCalibration</name>
    <message>
        <source>No AD value has arrived yet: press Start Calibration and wait until the read-out counts.</source>
        <translation>Aucune valeur AD reçue pour l&apos;instant : appuyez sur Démarrer l&apos;étalonnage et attendez que l&apos;affichage compte.</translation>
    </message>
    <message>
        <source>Point %1: enter its weight in grams as a number of 0 or more.</source>
        <translation>Point %1 : saisissez son poids en grammes, un nombre supérieur ou égal à 0.</translation>
    </message>
    <message>
        <source>Multi-Point Calibration</source>
        <translation>Étalonnage multipoint</translation>
    </message>
    <message>
        <source>Please capture at least two points before calibrating.</source>
        <translation>Relevez au moins deux points avant d&apos;étalonner.</translation>
    </message>
    <message>
        <source>Start Calibration</source>
        <translation>Démarrer l&apos;étalonnage</translation>
    </message>
    <message>
        <source>Capture AD</source>
        <translation>Relever l&apos;AD</translation>
    </message>
    <message>
        <source>Not Captured</source>
        <translation>Non relevé</translation>
    </message>
    <message>
        <source>Weight (g)</source>
        <translation>Poids (g)</translation>
    </message>
    <message>
        <source>Calibrate Multi-Point</source>
        <translation>Étalonner en multipoint</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Point %1</source>
        <translation>Point %1</translation>
    </message>
    <message>
        <source>Calibration Points Close Together</source>
        <translation>Points d&apos;étalonnage trop proches</translation>
    </message>
    <message>
        <source>Calibrate Anyway</source>
        <translation>Étalonner quand même</translation>
    </message>
</context>
<context>
    <name>PopupOutputLogging</name>
    <message>
        <source>Enter a logging frequency from %1 to %2 ms.</source>
        <translation>Saisissez une période d&apos;enregistrement de %1 à %2 ms.</translation>
    </message>
    <message>
        <source>Enter a duration from %1 to %2 seconds.</source>
        <translation>Saisissez une durée de %1 à %2 secondes.</translation>
    </message>
    <message>
        <source>Replace File?</source>
        <translation>Remplacer le fichier ?</translation>
    </message>
    <message>
        <source>%1 already holds data. Starting the recording empties it.</source>
        <translation>%1 contient déjà des données. Démarrer l&apos;enregistrement le vide.</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Remplacer</translation>
    </message>
    <message>
        <source>Failed to create file. Please try another location.</source>
        <translation>Création du fichier impossible. Essayez un autre emplacement.</translation>
    </message>
    <message>
        <source>Select Output File</source>
        <translation>Choisir le fichier de sortie</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>Fichiers CSV (*.csv)</translation>
    </message>
    <message>
        <source>CSV Logging Settings</source>
        <translation>Réglages de l&apos;enregistrement CSV</translation>
    </message>
    <message>
        <source>Logging Frequency (ms)</source>
        <translation>Période d&apos;enregistrement (ms)</translation>
    </message>
    <message>
        <source>Duration (seconds)</source>
        <translation>Durée (secondes)</translation>
    </message>
    <message>
        <source>Output File:</source>
        <translation>Fichier de sortie :</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Parcourir</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Start Logging</source>
        <translation>Démarrer l&apos;enregistrement</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Enregistrer</translation>
    </message>
    <message>
        <source>Records: %1 (the selected amplifiers), in %2.</source>
        <translation>Enregistre : %1 (les amplificateurs sélectionnés), en %2.</translation>
    </message>
</context>
<context>
    <name>RegisterAmplifier</name>
    <message>
        <source>AVP1</source>
        <translation>AVP1</translation>
    </message>
    <message>
        <source>AVP2</source>
        <translation>AVP2</translation>
    </message>
    <message>
        <source>只读参数</source>
        <translation>paramètre en lecture seule</translation>
    </message>
    <message>
        <source>滤波级别</source>
        <translation>niveau de filtrage</translation>
    </message>
    <message>
        <source>滤波带宽</source>
        <translation>bande passante du filtre</translation>
    </message>
    <message>
        <source>自动零点追踪时间</source>
        <translation>durée du suivi automatique du zéro</translation>
    </message>
    <message>
        <source>自动零点追踪带宽</source>
        <translation>bande du suivi automatique du zéro</translation>
    </message>
    <message>
        <source>稳定时间</source>
        <translation>durée de stabilité</translation>
    </message>
    <message>
        <source>显示分度</source>
        <translation>échelon d&apos;affichage</translation>
    </message>
    <message>
        <source>启动放大器功能测试程序...</source>
        <translation>Démarrage du test de fonctionnement de l&apos;amplificateur...</translation>
    </message>
    <message>
        <source>【保存】正在读取测试前的参数值...</source>
        <translation>[Sauvegarde] Lecture des valeurs d&apos;avant le test...</translation>
    </message>
    <message>
        <source>→ [0x%1] 原值：0x%2</source>
        <translation>→ [0x%1] valeur d&apos;avant : 0x%2</translation>
    </message>
    <message>
        <source>【错误】原值读取失败（%1），为免丢失现有设置，不写入任何测试数据。</source>
        <translation>[Erreur] Une valeur n&apos;a pas pu être lue d&apos;abord (%1) ; pour ne pas perdre les réglages actuels, aucune valeur de test n&apos;est écrite.</translation>
    </message>
    <message>
        <source>【停止】测试已中止，正在恢复测试前的参数值...</source>
        <translation>[Arrêt] Test interrompu ; réécriture des valeurs d&apos;avant le test...</translation>
    </message>
    <message>
        <source>【测试】正在处理 [%1] 参数 (地址：0x%2)</source>
        <translation>[Test] Traitement de [%1] (adresse : 0x%2)</translation>
    </message>
    <message>
        <source>ℹ️ [%1] 为只读参数，跳过写入。</source>
        <translation>ℹ️ [%1] est en lecture seule ; pas d&apos;écriture.</translation>
    </message>
    <message>
        <source>ℹ️ [%1] 原值未能保存，跳过写入以免丢失现有设置。</source>
        <translation>ℹ️ [%1] : les valeurs d&apos;avant n&apos;ont pas pu être sauvegardées ; pas d&apos;écriture, pour ne pas perdre les réglages actuels.</translation>
    </message>
    <message>
        <source>→ 正在写入测试数据至 [%1] 参数：0x%2</source>
        <translation>→ Écriture de la valeur de test dans [%1] : 0x%2</translation>
    </message>
    <message>
        <source>→ 写入完成，正在验证数据...</source>
        <translation>→ Écrit ; vérification...</translation>
    </message>
    <message>
        <source>【错误】[%1] 写入失败：%2 </source>
        <translation>[Erreur] [%1] échec de l&apos;écriture : %2 </translation>
    </message>
    <message>
        <source>→ 正在读取 [%1] 参数数据...</source>
        <translation>→ Lecture de [%1]...</translation>
    </message>
    <message>
        <source>→ [%1] 参数数据：0x%2 —— %3</source>
        <translation>→ [%1] valeur : 0x%2 — %3</translation>
    </message>
    <message>
        <source>测试通过</source>
        <translation>réussi</translation>
    </message>
    <message>
        <source>测试失败</source>
        <translation>échoué</translation>
    </message>
    <message>
        <source>【错误】[%1] 读取失败：%2</source>
        <translation>[Erreur] [%1] échec de la lecture : %2</translation>
    </message>
    <message>
        <source>【测试】正在读取原始AD值...</source>
        <translation>[Test] Lecture de la valeur AD brute...</translation>
    </message>
    <message>
        <source>读取的原始AD值：0x%1 (%2)</source>
        <translation>Valeur AD brute lue : 0x%1 (%2)</translation>
    </message>
    <message>
        <source>【错误】原始AD值读取失败。</source>
        <translation>[Erreur] La valeur AD brute n&apos;a pas pu être lue.</translation>
    </message>
    <message>
        <source>【错误】原始AD值过低，可能存在硬件或连接问题。</source>
        <translation>[Erreur] La valeur AD brute est trop basse : problème matériel ou de connexion possible.</translation>
    </message>
    <message>
        <source>【错误】原始AD值过高，超出预期范围。 请检查传感器连接。</source>
        <translation>[Erreur] La valeur AD brute est trop haute, hors de la plage attendue. Vérifiez le raccordement du capteur.</translation>
    </message>
    <message>
        <source>原始AD值测试通过，数值在合理范围内。</source>
        <translation>Valeur AD brute réussie : dans la plage plausible.</translation>
    </message>
    <message>
        <source>【恢复】正在写回测试前的参数值...</source>
        <translation>[Restauration] Réécriture des valeurs d&apos;avant le test...</translation>
    </message>
    <message>
        <source>【错误】未能恢复：%1</source>
        <translation>[Erreur] Non restauré : %1</translation>
    </message>
    <message>
        <source>参数恢复完成，已全部读回确认。</source>
        <translation>Restauration terminée : chaque valeur relue et confirmée.</translation>
    </message>
    <message>
        <source>已恢复连续读取模式。</source>
        <translation>Lecture continue reprise.</translation>
    </message>
    <message>
        <source>Stopped after %1 of %2 registers (%3 passed)</source>
        <translation>Arrêté après %1 registres sur %2 (%3 réussis)</translation>
    </message>
    <message>
        <source>%1 of %2 registers passed</source>
        <translation>%1 registres sur %2 réussis</translation>
    </message>
    <message>
        <source>; the raw AD value could not be read</source>
        <translation> ; la valeur AD brute n&apos;a pas pu être lue</translation>
    </message>
    <message>
        <source>; the raw AD value is out of range</source>
        <translation> ; la valeur AD brute est hors plage</translation>
    </message>
    <message>
        <source>; nothing was written, the settings could not be saved first (%1)</source>
        <translation> ; rien n&apos;a été écrit, les réglages n&apos;ont pas pu être sauvegardés d&apos;abord (%1)</translation>
    </message>
    <message>
        <source>; all settings restored and read back</source>
        <translation> ; tous les réglages restaurés et relus</translation>
    </message>
    <message>
        <source>; NOT restored: %1</source>
        <translation> ; NON restauré : %1</translation>
    </message>
    <message>
        <source>放大器功能测试全部完成。</source>
        <translation>Test de fonctionnement de l&apos;amplificateur terminé.</translation>
    </message>
</context>
<context>
    <name>ScreenAbout</name>
    <message>
        <source>version %1 %2</source>
        <translation>version %1 %2</translation>
    </message>
    <message>
        <source>A device manager for Kelvora digital load-cell amplifiers: connect RS232, RS485 and CANopen amplifiers, calibrate them, watch and record their weights and check them on the bench.</source>
        <translation>Un gestionnaire pour les amplificateurs numériques de capteurs de force Kelvora : connecter des amplificateurs RS232, RS485 et CANopen, les étalonner, suivre et enregistrer leurs poids et les contrôler sur le banc.</translation>
    </message>
    <message>
        <source>This application is made possible thanks to a couple of third party open source projects:</source>
        <translation>Cette application existe grâce à quelques projets libres de tiers :</translation>
    </message>
    <message>
        <source>App name: %1</source>
        <translation>Nom de l&apos;application : %1</translation>
    </message>
    <message>
        <source>App version: %1</source>
        <translation>Version de l&apos;application : %1</translation>
    </message>
    <message>
        <source>Build mode: %1</source>
        <translation>Mode de compilation : %1</translation>
    </message>
    <message>
        <source>Build architecture: %1</source>
        <translation>Architecture de compilation : %1</translation>
    </message>
    <message>
        <source>Build date: %1</source>
        <translation>Date de compilation : %1</translation>
    </message>
    <message>
        <source>Qt version: %1</source>
        <translation>Version de Qt : %1</translation>
    </message>
</context>
<context>
    <name>ScreenLink</name>
    <message>
        <source>Frames Copied</source>
        <translation>Trames copiées</translation>
    </message>
    <message numerus="yes">
        <source>%n frame(s) copied to the clipboard.</source>
        <translation>
            <numerusform>%n trame copiée dans le presse-papiers.</numerusform>
            <numerusform>%n trames copiées dans le presse-papiers.</numerusform>
        </translation>
    </message>
    <message>
        <source>Click a frame first.</source>
        <translation>Cliquez d&apos;abord sur une trame.</translation>
    </message>
    <message>
        <source>Frames Exported</source>
        <translation>Trames exportées</translation>
    </message>
    <message numerus="yes">
        <source>%n frame(s) written to %1</source>
        <translation>
            <numerusform>%n trame écrite dans %1</numerusform>
            <numerusform>%n trames écrites dans %1</numerusform>
        </translation>
    </message>
    <message>
        <source>Frames Not Exported</source>
        <translation>Trames non exportées</translation>
    </message>
    <message>
        <source>Write Register?</source>
        <translation>Écrire le registre ?</translation>
    </message>
    <message>
        <source>Write</source>
        <translation>Écrire</translation>
    </message>
    <message>
        <source>Export Frames</source>
        <translation>Exporter les trames</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>Fichiers CSV (*.csv)</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Enregistrer</translation>
    </message>
    <message>
        <source>Load cell</source>
        <translation>Capteur</translation>
    </message>
    <message>
        <source>Requests</source>
        <translation>Requêtes</translation>
    </message>
    <message>
        <source>Good</source>
        <translation>Bonnes</translation>
    </message>
    <message>
        <source>Time-outs</source>
        <translation>Sans réponse</translation>
    </message>
    <message>
        <source>Bad CRC</source>
        <translation>CRC faux</translation>
    </message>
    <message>
        <source>Other id</source>
        <translation>Autre id</translation>
    </message>
    <message>
        <source>Exc. / abort</source>
        <translation>Exc. / abandon</translation>
    </message>
    <message>
        <source>Late</source>
        <translation>Tardives</translation>
    </message>
    <message>
        <source>Duplicates</source>
        <translation>Doublons</translation>
    </message>
    <message>
        <source>Median ms</source>
        <translation>Médiane ms</translation>
    </message>
    <message>
        <source>p99 ms</source>
        <translation>p99 ms</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Reprendre</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>All amplifiers</source>
        <translation>Tous capteurs</translation>
    </message>
    <message>
        <source>Load cell %1</source>
        <translation>Capteur %1</translation>
    </message>
    <message>
        <source>All verdicts</source>
        <translation>Tous verdicts</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copier</translation>
    </message>
    <message>
        <source>Export CSV</source>
        <translation>Exporter CSV</translation>
    </message>
    <message>
        <source>Registers the map knows…</source>
        <translation>Registres connus…</translation>
    </message>
    <message>
        <source>Read</source>
        <translation>Lire</translation>
    </message>
    <message>
        <source>value</source>
        <translation>valeur</translation>
    </message>
    <message>
        <source>Write…</source>
        <translation>Écrire…</translation>
    </message>
</context>
<context>
    <name>ScreenPlayground</name>
    <message>
        <source>No Selection</source>
        <translation>Aucune sélection</translation>
    </message>
    <message>
        <source>Please select at least one amplifier to remove.</source>
        <translation>Sélectionnez au moins un amplificateur à retirer.</translation>
    </message>
    <message>
        <source>Please select at least one amplifier to record.</source>
        <translation>Sélectionnez au moins un amplificateur à enregistrer.</translation>
    </message>
    <message>
        <source>Multi-Point Calibration</source>
        <translation>Étalonnage multipoint</translation>
    </message>
    <message>
        <source>Select exactly one RS485 amplifier to calibrate with several points.</source>
        <translation>Sélectionnez exactement un amplificateur RS485 pour l&apos;étalonner sur plusieurs points.</translation>
    </message>
    <message>
        <source>calibrating</source>
        <translation>étalonnage en cours</translation>
    </message>
    <message>
        <source>no answer for %1 s</source>
        <translation>sans réponse depuis %1 s</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Ajouter</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Retirer</translation>
    </message>
    <message>
        <source>Multi-Point</source>
        <translation>Multipoint</translation>
    </message>
    <message>
        <source>Auto Scale</source>
        <translation>Échelle auto</translation>
    </message>
    <message>
        <source>WRITE FILTERS</source>
        <translation>ÉCRIRE LES FILTRES</translation>
    </message>
    <message>
        <source>ZERO</source>
        <translation>ZÉRO</translation>
    </message>
    <message>
        <source>TARE</source>
        <translation>TARE</translation>
    </message>
    <message>
        <source>Click a tile to select it; ZERO, TARE, WRITE FILTERS and recording act on the selected amplifiers.</source>
        <translation>Cliquez sur une tuile pour la sélectionner ; ZÉRO, TARE, ÉCRIRE LES FILTRES et l&apos;enregistrement agissent sur les amplificateurs sélectionnés.</translation>
    </message>
    <message>
        <source>Load cell %1</source>
        <translation>Capteur %1</translation>
    </message>
    <message>
        <source>START RECORDING</source>
        <translation>DÉMARRER L&apos;ENREGISTREMENT</translation>
    </message>
    <message>
        <source>it did not report back.</source>
        <translation>il n&apos;a rien rapporté.</translation>
    </message>
    <message>
        <source>Zero Done</source>
        <translation>Zéro effectué</translation>
    </message>
    <message>
        <source>Zero Failed</source>
        <translation>Échec du zéro</translation>
    </message>
    <message>
        <source>Tare Done</source>
        <translation>Tare effectuée</translation>
    </message>
    <message>
        <source>Tare Failed</source>
        <translation>Échec de la tare</translation>
    </message>
    <message>
        <source>Recording Stopped</source>
        <translation>Enregistrement arrêté</translation>
    </message>
    <message>
        <source>STOP RECORDING</source>
        <translation>ARRÊTER L&apos;ENREGISTREMENT</translation>
    </message>
    <message>
        <source>Recording %1 — %2 left. An amplifier added now is not in this recording.</source>
        <translation>Enregistrement de %1 — reste %2. Un amplificateur ajouté maintenant n&apos;est pas dans cet enregistrement.</translation>
    </message>
    <message>
        <source>net</source>
        <translation>net</translation>
    </message>
    <message>
        <source>gross</source>
        <translation>brut</translation>
    </message>
    <message>
        <source>Plot Exported</source>
        <translation>Graphique exporté</translation>
    </message>
    <message>
        <source>The plot was saved as %1</source>
        <translation>Le graphique a été enregistré sous %1</translation>
    </message>
    <message>
        <source>Plot Not Exported</source>
        <translation>Graphique non exporté</translation>
    </message>
    <message>
        <source>The plot could not be written to %1</source>
        <translation>Le graphique n&apos;a pas pu être écrit dans %1</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Temps</translation>
    </message>
    <message>
        <source>Weight (%1)</source>
        <translation>Poids (%1)</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Live</source>
        <translation>En direct</translation>
    </message>
    <message>
        <source>Export PNG</source>
        <translation>Exporter en PNG</translation>
    </message>
    <message>
        <source>Weight Range</source>
        <translation>Plage de poids</translation>
    </message>
    <message>
        <source>The upper weight must be above the lower one.</source>
        <translation>Le poids haut doit être supérieur au poids bas.</translation>
    </message>
    <message>
        <source>Load cell %1: %2</source>
        <translation>Capteur %1 : %2</translation>
    </message>
    <message>
        <source>Load cell %1: what it held before its calibration is saved as %2</source>
        <translation>Capteur %1 : son contenu avant l&apos;étalonnage est sauvegardé dans %2</translation>
    </message>
    <message>
        <source>Backup</source>
        <translation>Sauvegarde</translation>
    </message>
    <message>
        <source>Select exactly one amplifier to back up, compare or restore.</source>
        <translation>Sélectionnez exactement un amplificateur à sauvegarder, comparer ou restaurer.</translation>
    </message>
    <message>
        <source>Backup…</source>
        <translation>Sauvegarder…</translation>
    </message>
</context>
<context>
    <name>ScreenSettings</name>
    <message>
        <source>auto</source>
        <extracomment>short for automatic</extracomment>
        <translation>auto</translation>
    </message>
    <message>
        <source>Theme</source>
        <translation>Thème</translation>
    </message>
    <message>
        <source>light</source>
        <translation>clair</translation>
    </message>
    <message>
        <source>dark</source>
        <translation>sombre</translation>
    </message>
    <message>
        <source>Automatic dark mode</source>
        <translation>Mode sombre automatique</translation>
    </message>
    <message>
        <source>Dark mode will switch on automatically between 9 PM and 9 AM.</source>
        <translation>Le mode sombre s&apos;active automatiquement entre 21 h et 9 h.</translation>
    </message>
    <message>
        <source>Client Side Decoration</source>
        <translation>Décoration côté client</translation>
    </message>
    <message>
        <source>The window is shown without the system&apos;s title bar and borders.</source>
        <translation>La fenêtre s&apos;affiche sans la barre de titre ni les bordures du système.</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Langue</translation>
    </message>
</context>
<context>
    <name>BackupButtons</name>
    <message>
        <source>Backup…</source>
        <translation>Sauvegarder…</translation>
    </message>
    <message>
        <source>Compare…</source>
        <translation>Comparer…</translation>
    </message>
    <message>
        <source>Restore…</source>
        <translation>Restaurer…</translation>
    </message>
</context>
<context>
    <name>BackupSession</name>
    <message>
        <source>—</source>
        <translation>—</translation>
    </message>
    <message>
        <source>unknown: it could not be read back</source>
        <translation>inconnu : relecture impossible</translation>
    </message>
    <message>
        <source>written and confirmed</source>
        <translation>écrit et confirmé</translation>
    </message>
    <message>
        <source>refused; holds %1 as before</source>
        <translation>refusé ; garde %1 comme avant</translation>
    </message>
    <message>
        <source>holds %1, neither the file&apos;s value nor the previous one</source>
        <translation>contient %1, ni la valeur du fichier ni la précédente</translation>
    </message>
    <message>
        <source>There is no amplifier to work with.</source>
        <translation>Aucun amplificateur sur lequel travailler.</translation>
    </message>
    <message>
        <source>Choose a file first.</source>
        <translation>Choisissez d&apos;abord un fichier.</translation>
    </message>
    <message>
        <source>Reading every setting and the calibration…</source>
        <translation>Lecture de tous les réglages et de l&apos;étalonnage…</translation>
    </message>
    <message>
        <source>Nothing was saved: %1</source>
        <translation>Rien n&apos;a été sauvegardé : %1</translation>
    </message>
    <message>
        <source>Saved %1 values to %2.</source>
        <translation>%1 valeurs sauvegardées dans %2.</translation>
    </message>
    <message>
        <source>The CANopen configuration file is %1.</source>
        <translation>Le fichier de configuration CANopen est %1.</translation>
    </message>
    <message>
        <source>No CANopen configuration file: %1</source>
        <translation>Pas de fichier de configuration CANopen : %1</translation>
    </message>
    <message>
        <source>Reading the amplifier to compare…</source>
        <translation>Lecture de l&apos;amplificateur pour comparer…</translation>
    </message>
    <message>
        <source>The file cannot be compared: %1</source>
        <translation>Le fichier ne peut pas être comparé : %1</translation>
    </message>
    <message>
        <source>The amplifier could not be read: %1</source>
        <translation>L&apos;amplificateur n&apos;a pas pu être lu : %1</translation>
    </message>
    <message>
        <source>The amplifier holds every value of the file.</source>
        <translation>L&apos;amplificateur contient toutes les valeurs du fichier.</translation>
    </message>
    <message>
        <source>Values that differ between the file and the amplifier: %1.</source>
        <translation>Valeurs différentes entre le fichier et l&apos;amplificateur : %1.</translation>
    </message>
    <message>
        <source>differs</source>
        <translation>diffère</translation>
    </message>
    <message>
        <source>Restore refused: %1 Nothing was written.</source>
        <translation>Restauration refusée : %1 Rien n&apos;a été écrit.</translation>
    </message>
    <message>
        <source>would be written</source>
        <translation>serait écrit</translation>
    </message>
    <message>
        <source>not written</source>
        <translation>non écrit</translation>
    </message>
    <message>
        <source>What the amplifier held before is saved as %1.</source>
        <translation>Le contenu précédent de l&apos;amplificateur est sauvegardé dans %1.</translation>
    </message>
    <message>
        <source>Make a dry run first: it shows what the restore writes.</source>
        <translation>Faites d&apos;abord un essai à blanc : il montre ce que la restauration écrit.</translation>
    </message>
    <message>
        <source>Writing the differing values…</source>
        <translation>Écriture des valeurs différentes…</translation>
    </message>
    <message>
        <source>Reading the two files…</source>
        <translation>Lecture des deux fichiers…</translation>
    </message>
    <message>
        <source>The second file cannot be compared: %1</source>
        <translation>Le second fichier ne peut pas être comparé : %1</translation>
    </message>
    <message>
        <source>The two files hold the same values.</source>
        <translation>Les deux fichiers contiennent les mêmes valeurs.</translation>
    </message>
    <message>
        <source>Values that differ between the two files: %1.</source>
        <translation>Valeurs différentes entre les deux fichiers : %1.</translation>
    </message>
    <message>
        <source>put back or not written; holds %1 as before</source>
        <translation>remis ou non écrit ; garde %1 comme avant</translation>
    </message>
</context>
<context>
    <name>PopupBackup</name>
    <message>
        <source>Load cell %1</source>
        <translation>Capteur %1</translation>
    </message>
    <message>
        <source>Compare %1 with a Backup</source>
        <translation>Comparer %1 à une sauvegarde</translation>
    </message>
    <message>
        <source>Restore %1 from a Backup</source>
        <translation>Restaurer %1 depuis une sauvegarde</translation>
    </message>
    <message>
        <source>Back Up %1</source>
        <translation>Sauvegarder %1</translation>
    </message>
    <message>
        <source>Save Backup As</source>
        <translation>Enregistrer la sauvegarde sous</translation>
    </message>
    <message>
        <source>Open Backup</source>
        <translation>Ouvrir une sauvegarde</translation>
    </message>
    <message>
        <source>Amplifier backups (*.json *.dcf)</source>
        <translation>Sauvegardes d&apos;amplificateur (*.json *.dcf)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>Backup</source>
        <translation>Sauvegarder</translation>
    </message>
    <message>
        <source>Compare</source>
        <translation>Comparer</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Restaurer</translation>
    </message>
    <message>
        <source>File:</source>
        <translation>Fichier :</translation>
    </message>
    <message>
        <source>Choose a backup file</source>
        <translation>Choisissez un fichier de sauvegarde</translation>
    </message>
    <message>
        <source>Browse…</source>
        <translation>Parcourir…</translation>
    </message>
    <message>
        <source>Back Up</source>
        <translation>Sauvegarder</translation>
    </message>
    <message>
        <source>Dry Run</source>
        <translation>Essai à blanc</translation>
    </message>
    <message>
        <source>Write Differences (%1)</source>
        <translation>Écrire les différences (%1)</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>Réglage</translation>
    </message>
    <message>
        <source>In the file</source>
        <translation>Dans le fichier</translation>
    </message>
    <message>
        <source>In the amplifier</source>
        <translation>Dans l&apos;amplificateur</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>Résultat</translation>
    </message>
    <message>
        <source>Automatic backups of this amplifier (taken before each calibration, self-test and restore):</source>
        <translation>Sauvegardes automatiques de cet amplificateur (prises avant chaque étalonnage, autotest et restauration) :</translation>
    </message>
    <message>
        <source>No automatic backup of this amplifier yet.</source>
        <translation>Pas encore de sauvegarde automatique de cet amplificateur.</translation>
    </message>
    <message>
        <source>Restore this</source>
        <translation>Restaurer celle-ci</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>before a calibration</source>
        <translation>avant un étalonnage</translation>
    </message>
    <message>
        <source>before a self-test</source>
        <translation>avant un autotest</translation>
    </message>
    <message>
        <source>before a restore</source>
        <translation>avant une restauration</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Arrêter</translation>
    </message>
    <message>
        <source>Replace File?</source>
        <translation>Remplacer le fichier ?</translation>
    </message>
    <message>
        <source>%1 exists already. Replace it with this backup?</source>
        <translation>%1 existe déjà. Le remplacer par cette sauvegarde ?</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Remplacer</translation>
    </message>
    <message>
        <source>Against:</source>
        <translation>Avec :</translation>
    </message>
    <message>
        <source>the amplifier (or choose a second backup file)</source>
        <translation>l&apos;amplificateur (ou choisissez un second fichier de sauvegarde)</translation>
    </message>
    <message>
        <source>In the first file</source>
        <translation>Dans le premier fichier</translation>
    </message>
    <message>
        <source>In the second file</source>
        <translation>Dans le second fichier</translation>
    </message>
</context>
<context>
    <name>ScreenHostInfos</name>
    <message>
        <source>Automatic backup before the test: %1</source>
        <translation>Sauvegarde automatique avant le test : %1</translation>
    </message>
    <message>
        <source>No automatic backup could be made, so the test did not start: %1</source>
        <translation>Aucune sauvegarde automatique n&apos;a pu être faite, le test n&apos;a donc pas démarré : %1</translation>
    </message>
</context>
<context>
    <name>CheckSequence</name>
    <message>
        <source>Empty the scale; it will be zeroed.</source>
        <translation>Videz la balance ; elle sera mise à zéro.</translation>
    </message>
    <message>
        <source>Remove the load.</source>
        <translation>Retirez la charge.</translation>
    </message>
    <message>
        <source>Empty the scale.</source>
        <translation>Videz la balance.</translation>
    </message>
    <message>
        <source>Place %1 g on the scale.</source>
        <translation>Placez %1 g sur la balance.</translation>
    </message>
    <message>
        <source>Step %1 (%2) was skipped: nothing recorded.</source>
        <translation>L&apos;étape %1 (%2) a été sautée : rien n&apos;a été enregistré.</translation>
    </message>
    <message>
        <source>Stopped by the operator.</source>
        <translation>Arrêté par l&apos;opérateur.</translation>
    </message>
    <message>
        <source>The amplifier could not be zeroed: %1</source>
        <translation>L&apos;amplificateur n&apos;a pas pu être mis à zéro : %1</translation>
    </message>
    <message>
        <source>it did not report back.</source>
        <translation>il n&apos;a pas répondu.</translation>
    </message>
    <message>
        <source>Step %1 (%2) was recorded without a stable reading (spread %3 g).</source>
        <translation>L&apos;étape %1 (%2) a été enregistrée sans lecture stable (écart %3 g).</translation>
    </message>
    <message>
        <source>Nothing was recorded for this step.</source>
        <translation>Rien n&apos;a été enregistré pour cette étape.</translation>
    </message>
    <message>
        <source>The check stopped at step %1: %2</source>
        <translation>La vérification s&apos;est arrêtée à l&apos;étape %1 : %2</translation>
    </message>
    <message>
        <source>The amplifier was removed.</source>
        <translation>L&apos;amplificateur a été retiré.</translation>
    </message>
    <message>
        <source>The link to the amplifier was lost.</source>
        <translation>La liaison avec l&apos;amplificateur a été perdue.</translation>
    </message>
    <message>
        <source>The link to the amplifier was lost: %1</source>
        <translation>La liaison avec l&apos;amplificateur a été perdue : %1</translation>
    </message>
    <message>
        <source>The check was closed before it ended.</source>
        <translation>La vérification a été fermée avant sa fin.</translation>
    </message>
    <message>
        <source>A check is already running.</source>
        <translation>Une vérification est déjà en cours.</translation>
    </message>
    <message>
        <source>The amplifier is not connected.</source>
        <translation>L&apos;amplificateur n&apos;est pas connecté.</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>Impossible d&apos;écrire %1 : %2</translation>
    </message>
    <message>
        <source>The tolerance must be greater than 0 (grams, or percent of the load).</source>
        <translation>La tolérance doit être supérieure à 0 (en grammes, ou en pourcentage de la charge).</translation>
    </message>
    <message>
        <source>The test weights&apos; uncertainty cannot be negative.</source>
        <translation>L&apos;incertitude des poids d&apos;essai ne peut pas être négative.</translation>
    </message>
    <message>
        <source>The repeat load is placed 2 to 100 times (a standard deviation needs two).</source>
        <translation>La charge répétée est posée de 2 à 100 fois (un écart-type en demande deux).</translation>
    </message>
    <message>
        <source>The repeat load must be greater than 0 g.</source>
        <translation>La charge répétée doit être supérieure à 0 g.</translation>
    </message>
    <message>
        <source>The scale interval must be greater than 0 g.</source>
        <translation>L&apos;échelon doit être supérieur à 0 g.</translation>
    </message>
    <message>
        <source>The time-out must be greater than 0 ms.</source>
        <translation>Le délai d&apos;attente doit être supérieur à 0 ms.</translation>
    </message>
    <message>
        <source>A stable reading needs a window of 100 to 60000 ms and a threshold above 0.</source>
        <translation>Une lecture stable demande une fenêtre de 100 à 60000 ms et un seuil supérieur à 0.</translation>
    </message>
</context>
<context>
    <name>StableCapture</name>
    <message>
        <source>No reading came within %1 s.</source>
        <translation>Aucune lecture en %1 s.</translation>
    </message>
    <message>
        <source>No reading came within %1 s: %2</source>
        <translation>Aucune lecture en %1 s : %2</translation>
    </message>
    <message>
        <source>No stable reading within %1 s: the readings still spread over %2 (less than %3 needed).</source>
        <translation>Aucune lecture stable en %1 s : les lectures s&apos;étalent encore sur %2 (moins de %3 requis).</translation>
    </message>
</context>
<context>
    <name>CapturedValue</name>
    <message>
        <source>(captured anyway)</source>
        <translation>(capturé quand même)</translation>
    </message>
</context>
<context>
    <name>CheckSession</name>
    <message>
        <source>Choose an amplifier of the Weight Plot screen first.</source>
        <translation>Choisissez d&apos;abord un amplificateur de l&apos;écran Courbe de poids.</translation>
    </message>
    <message>
        <source>Repeat: enter how many times the repeat load is placed, a whole number.</source>
        <translation>Répétition : indiquez combien de fois la charge de répétition est posée, en nombre entier.</translation>
    </message>
    <message>
        <source>Tolerance: %1</source>
        <translation>Tolérance : %1</translation>
    </message>
    <message>
        <source>Test weights&apos; uncertainty: %1</source>
        <translation>Incertitude des poids étalons : %1</translation>
    </message>
    <message>
        <source>Scale interval: %1</source>
        <translation>Échelon : %1</translation>
    </message>
    <message>
        <source>give it in grams.</source>
        <translation>indiquez-le en grammes.</translation>
    </message>
    <message>
        <source>Time-out: enter the longest wait for a stable reading in whole seconds.</source>
        <translation>Délai : indiquez l&apos;attente maximale d&apos;une lecture stable en secondes entières.</translation>
    </message>
    <message>
        <source>The report is written once a check has ended.</source>
        <translation>Le rapport s&apos;écrit une fois la vérification terminée.</translation>
    </message>
    <message>
        <source>The PDF report was not written: %1</source>
        <translation>Le rapport PDF n&apos;a pas été écrit : %1</translation>
    </message>
    <message>
        <source>%1 g</source>
        <translation>%1 g</translation>
    </message>
</context>
<context>
    <name>ScreenCheck</name>
    <message>
        <source>Load cell %1 — %2</source>
        <translation>Capteur %1 — %2</translation>
    </message>
    <message>
        <source>PASS</source>
        <translation>CONFORME</translation>
    </message>
    <message>
        <source>FAIL</source>
        <translation>NON CONFORME</translation>
    </message>
    <message>
        <source>INCOMPLETE</source>
        <translation>INCOMPLET</translation>
    </message>
    <message>
        <source>Calibration Check</source>
        <translation>Vérification d&apos;étalonnage</translation>
    </message>
    <message>
        <source>Amplifier</source>
        <translation>Amplificateur</translation>
    </message>
    <message>
        <source>No amplifier on the Weight Plot screen: add one there first.</source>
        <translation>Aucun amplificateur sur l&apos;écran Courbe de poids : ajoutez-en un d&apos;abord.</translation>
    </message>
    <message>
        <source>Test loads (g)</source>
        <translation>Charges d&apos;essai (g)</translation>
    </message>
    <message>
        <source>rising, from near zero to near the maximum: 0, 500, 1000, 1500, 2000</source>
        <translation>croissantes, de près de zéro à près du maximum : 0, 500, 1000, 1500, 2000</translation>
    </message>
    <message>
        <source>Tolerance</source>
        <translation>Tolérance</translation>
    </message>
    <message>
        <source>2 g or 0.1 %</source>
        <translation>2 g ou 0.1 %</translation>
    </message>
    <message>
        <source>Repeat load placed</source>
        <translation>Poses de répétition</translation>
    </message>
    <message>
        <source>Scale interval (g)</source>
        <translation>Échelon (g)</translation>
    </message>
    <message>
        <source>Weights&apos; uncertainty</source>
        <translation>Incertitude des poids</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>Opérateur</translation>
    </message>
    <message>
        <source>Test weights</source>
        <translation>Poids étalons</translation>
    </message>
    <message>
        <source>set, class, certificate</source>
        <translation>jeu, classe, certificat</translation>
    </message>
    <message>
        <source>Time-out (s)</source>
        <translation>Délai (s)</translation>
    </message>
    <message>
        <source>Start Check</source>
        <translation>Démarrer</translation>
    </message>
    <message>
        <source>Step %1 of %2: %3</source>
        <translation>Étape %1 sur %2 : %3</translation>
    </message>
    <message>
        <source>%1 g</source>
        <translation>%1 g</translation>
    </message>
    <message>
        <source>waiting for a stable reading…</source>
        <translation>en attente d&apos;une lecture stable…</translation>
    </message>
    <message>
        <source>Press %1 once the load is in place.</source>
        <translation>Appuyez sur %1 une fois la charge en place.</translation>
    </message>
    <message>
        <source>Try Again</source>
        <translation>Réessayer</translation>
    </message>
    <message>
        <source>Placed</source>
        <translation>Posé</translation>
    </message>
    <message>
        <source>capture anyway</source>
        <translation>capturer quand même</translation>
    </message>
    <message>
        <source>Skip Step</source>
        <translation>Sauter l&apos;étape</translation>
    </message>
    <message>
        <source>Stop Check</source>
        <translation>Arrêter</translation>
    </message>
    <message>
        <source>PDF Report</source>
        <translation>Rapport PDF</translation>
    </message>
    <message>
        <source>Open CSV</source>
        <translation>Ouvrir le CSV</translation>
    </message>
    <message>
        <source>Readings: %1
Report: %2</source>
        <translation>Lectures : %1
Rapport : %2</translation>
    </message>
    <message>
        <source>Readings: %1</source>
        <translation>Lectures : %1</translation>
    </message>
    <message>
        <source>Load (g)</source>
        <translation>Charge (g)</translation>
    </message>
    <message>
        <source>Error ↑</source>
        <translation>Erreur ↑</translation>
    </message>
    <message>
        <source>Error ↓</source>
        <translation>Erreur ↓</translation>
    </message>
    <message>
        <source>Hysteresis</source>
        <translation>Hystérésis</translation>
    </message>
    <message>
        <source>U (k = 2)</source>
        <translation>U (k = 2)</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Résultat</translation>
    </message>
    <message>
        <source>Error (g)</source>
        <translation>Erreur (g)</translation>
    </message>
    <message>
        <source>● rising</source>
        <translation>● croissant</translation>
    </message>
    <message>
        <source>● falling</source>
        <translation>● décroissant</translation>
    </message>
    <message>
        <source>- - tolerance</source>
        <translation>- - tolérance</translation>
    </message>
    <message>
        <source>Repeatability (standard deviation): %1</source>
        <translation>Répétabilité (écart-type) : %1</translation>
    </message>
</context>
<context>
    <name>StabilityIndicator</name>
    <message>
        <source>spread %1 over %2 s (stable below %3)</source>
        <translation>écart %1 sur %2 s (stable sous %3)</translation>
    </message>
    <message>
        <source>stable</source>
        <translation>stable</translation>
    </message>
    <message>
        <source>not stable</source>
        <translation>instable</translation>
    </message>
</context>
<context>
    <name>StableCaptureWait</name>
    <message>
        <source>%1: %2</source>
        <translation>%1 : %2</translation>
    </message>
    <message>
        <source>%1: waiting for a stable reading…</source>
        <translation>%1 : en attente d&apos;une lecture stable…</translation>
    </message>
    <message>
        <source>capture anyway</source>
        <translation>capturer quand même</translation>
    </message>
    <message>
        <source>No reading has come yet: there is nothing to capture.</source>
        <translation>Aucune lecture n&apos;est encore arrivée : rien à capturer.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>StoredCalibration</name>
    <message>
        <source>%1 g</source>
        <translation>%1 g</translation>
    </message>
    <message>
        <source>Calibration held by the amplifier</source>
        <translation>Étalonnage enregistré dans l&apos;amplificateur</translation>
    </message>
    <message>
        <source>Read Again</source>
        <translation>Relire</translation>
    </message>
    <message>
        <source>Could not read it: %1</source>
        <translation>Lecture impossible : %1</translation>
    </message>
    <message>
        <source>Points: %1, zero offset: %2</source>
        <translation>Points : %1, décalage du zéro : %2</translation>
    </message>
    <message>
        <source>Point %1: AD %2 = %3</source>
        <translation>Point %1 : AD %2 = %3</translation>
    </message>
    <message>
        <source>AD</source>
        <translation>AD</translation>
    </message>
    <message>
        <source>Weight (g)</source>
        <translation>Poids (g)</translation>
    </message>
</context>
<context>
    <name>AmplifierBase</name>
    <message>
        <source>This amplifier cannot report its calibration.</source>
        <translation>Cet amplificateur ne peut pas indiquer son étalonnage.</translation>
    </message>
    <message>
        <source>The calibration could not be read: %1 (%2) failed: %3</source>
        <translation>L&apos;étalonnage n&apos;a pas pu être lu : %1 (%2) a échoué : %3</translation>
    </message>
    <message>
        <source>The calibration cannot be shown: %1 (%2) holds %3, outside what a calibration writes there (%4 to %5).</source>
        <translation>L&apos;étalonnage ne peut pas être affiché : %1 (%2) contient %3, hors de ce qu&apos;un étalonnage y écrit (%4 à %5).</translation>
    </message>
    <message>
        <source>The amplifier reports %1 calibration points; this program knows where it keeps %2 only.</source>
        <translation>L&apos;amplificateur indique %1 points d&apos;étalonnage ; ce programme ne sait où il en garde que %2.</translation>
    </message>
    <message>
        <source>No safety copy could be made first (%1); nothing was written.</source>
        <translation>Aucune copie de sécurité n&apos;a pu être faite d&apos;abord (%1) ; rien n&apos;a été écrit.</translation>
    </message>
</context>
<context>
    <name>CheckReport</name>
    <message>
        <source>The PDF library could not start.</source>
        <translation>La bibliothèque PDF n&apos;a pas pu démarrer.</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>Page %1 sur %2</translation>
    </message>
    <message>
        <source>Calibration held by the amplifier</source>
        <translation>Étalonnage gardé par l&apos;amplificateur</translation>
    </message>
    <message>
        <source>Not read: %1</source>
        <translation>Non lu : %1</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>pas de réponse</translation>
    </message>
    <message>
        <source>Points in use</source>
        <translation>Points utilisés</translation>
    </message>
    <message>
        <source>Zero offset</source>
        <translation>Décalage du zéro</translation>
    </message>
    <message>
        <source>Point</source>
        <translation>Point</translation>
    </message>
    <message>
        <source>AD value</source>
        <translation>Valeur AD</translation>
    </message>
    <message>
        <source>Weight (g)</source>
        <translation>Poids (g)</translation>
    </message>
    <message>
        <source>Errors of indication (g)</source>
        <translation>Erreurs d&apos;indication (g)</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>Charge</translation>
    </message>
    <message>
        <source>Rising</source>
        <translation>Montée</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>Falling</source>
        <translation>Descente</translation>
    </message>
    <message>
        <source>Hyst.</source>
        <translation>Hyst.</translation>
    </message>
    <message>
        <source>Limit</source>
        <translation>Limite</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Résultat</translation>
    </message>
    <message>
        <source>not read</source>
        <translation>non lu</translation>
    </message>
    <message>
        <source>pass</source>
        <translation>conforme</translation>
    </message>
    <message>
        <source>FAIL</source>
        <translation>ÉCHEC</translation>
    </message>
    <message>
        <source>Error of indication against load</source>
        <translation>Erreur d&apos;indication selon la charge</translation>
    </message>
    <message>
        <source>load (g)</source>
        <translation>charge (g)</translation>
    </message>
    <message>
        <source>error (g)</source>
        <translation>erreur (g)</translation>
    </message>
    <message>
        <source>rising</source>
        <translation>montée</translation>
    </message>
    <message>
        <source>falling</source>
        <translation>descente</translation>
    </message>
    <message>
        <source>tolerance</source>
        <translation>tolérance</translation>
    </message>
    <message>
        <source>expanded uncertainty U (k = 2)</source>
        <translation>incertitude élargie U (k = 2)</translation>
    </message>
    <message>
        <source>Calibration check report</source>
        <translation>Rapport de vérification d&apos;étalonnage</translation>
    </message>
    <message>
        <source>INCOMPLETE</source>
        <translation>INCOMPLÈTE</translation>
    </message>
    <message>
        <source>NOT JUDGED</source>
        <translation>NON JUGÉE</translation>
    </message>
    <message>
        <source>PASSED</source>
        <translation>CONFORME</translation>
    </message>
    <message>
        <source>FAILED</source>
        <translation>NON CONFORME</translation>
    </message>
    <message>
        <source>Verdict: </source>
        <translation>Verdict : </translation>
    </message>
    <message>
        <source>No tolerance was given: the errors are reported without a verdict.</source>
        <translation>Aucune tolérance n&apos;a été donnée : les erreurs sont rapportées sans verdict.</translation>
    </message>
    <message>
        <source>The check stopped before every reading was taken: %1</source>
        <translation>La vérification s&apos;est arrêtée avant que toutes les lectures soient prises : %1</translation>
    </message>
    <message>
        <source>Some readings were skipped: no verdict can be given.</source>
        <translation>Des lectures ont été sautées : aucun verdict ne peut être donné.</translation>
    </message>
    <message>
        <source>Every error of indication, rising and falling, lies within the tolerance of %1.</source>
        <translation>Chaque erreur d&apos;indication, en montée et en descente, reste dans la tolérance de %1.</translation>
    </message>
    <message>
        <source>At least one error of indication exceeds the tolerance of %1.</source>
        <translation>Au moins une erreur d&apos;indication dépasse la tolérance de %1.</translation>
    </message>
    <message>
        <source>Amplifier</source>
        <translation>Amplificateur</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Modèle</translation>
    </message>
    <message>
        <source>Protocol</source>
        <translation>Protocole</translation>
    </message>
    <message>
        <source>Port and id</source>
        <translation>Port et id</translation>
    </message>
    <message>
        <source>Check</source>
        <translation>Vérification</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>Opérateur</translation>
    </message>
    <message>
        <source>Test weights</source>
        <translation>Poids d&apos;essai</translation>
    </message>
    <message>
        <source>Weights&apos; uncertainty</source>
        <translation>Incertitude des poids</translation>
    </message>
    <message>
        <source>Scale interval d</source>
        <translation>Échelon d</translation>
    </message>
    <message>
        <source>Tolerance</source>
        <translation>Tolérance</translation>
    </message>
    <message>
        <source>none given</source>
        <translation>aucune donnée</translation>
    </message>
    <message>
        <source>Notes</source>
        <translation>Notes</translation>
    </message>
    <message>
        <source>Repeatability: %1 g placed %2 times, mean %3 g, standard deviation s = %4 g (%5).</source>
        <translation>Répétabilité : %1 g posés %2 fois, moyenne %3 g, écart-type s = %4 g (%5).</translation>
    </message>
    <message>
        <source>Remarks</source>
        <translation>Remarques</translation>
    </message>
    <message>
        <source>Method</source>
        <translation>Méthode</translation>
    </message>
    <message>
        <source>Error of indication E = I - L at each test load L, rising and falling; hysteresis |I(falling) - I(rising)|; repeatability s from the placings of one load; expanded uncertainty of the error U = 2 u(E), with u(E) from the resolution at zero and at load (d / sqrt 12 each), s and half the test weights&apos; stated U, following EURAMET Calibration Guide No. 18. Each indication is the mean of a stable window: spread below %1 g over %2 ms.</source>
        <translation>Erreur d&apos;indication E = I - L à chaque charge d&apos;essai L, en montée et en descente ; hystérésis |I(descente) - I(montée)| ; répétabilité s d&apos;après les poses d&apos;une même charge ; incertitude élargie de l&apos;erreur U = 2 u(E), u(E) venant de la résolution au zéro et en charge (d / racine de 12 chacune), de s et de la moitié du U déclaré des poids d&apos;essai, selon le guide d&apos;étalonnage EURAMET n° 18. Chaque indication est la moyenne d&apos;une fenêtre stable : écart inférieur à %1 g sur %2 ms.</translation>
    </message>
    <message>
        <source>Date: ________________</source>
        <translation>Date : ________________</translation>
    </message>
    <message>
        <source>Signature: ______________________</source>
        <translation>Signature : ______________________</translation>
    </message>
    <message>
        <source>Kelvora Amplifier Manager %1 - raw readings in %2</source>
        <translation>Kelvora Amplifier Manager %1 - lectures brutes dans %2</translation>
    </message>
    <message>
        <source>The PDF could not be made.</source>
        <translation>Le PDF n&apos;a pas pu être produit.</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>Impossible d&apos;écrire %1 : %2</translation>
    </message>
</context>
<context>
    <name>backup</name>
    <message>
        <source>This program keeps no backup of %1 amplifiers.</source>
        <translation>Ce programme ne sauvegarde pas les amplificateurs %1.</translation>
    </message>
    <message>
        <source>This amplifier cannot be read for a backup.</source>
        <translation>Cet amplificateur ne peut pas être lu pour une sauvegarde.</translation>
    </message>
    <message>
        <source>%1 (%2) could not be read: %3</source>
        <translation>%1 (%2) n&apos;a pas pu être lu : %3</translation>
    </message>
    <message>
        <source>The file is damaged or truncated: %1 at byte %2.</source>
        <translation>Le fichier est endommagé ou tronqué : %1 à l&apos;octet %2.</translation>
    </message>
    <message>
        <source>The file is not an amplifier backup (it does not say &quot;format&quot;: &quot;%1&quot;).</source>
        <translation>Le fichier n&apos;est pas une sauvegarde d&apos;amplificateur (il ne dit pas &quot;format&quot;: &quot;%1&quot;).</translation>
    </message>
    <message>
        <source>The backup&apos;s format version %1 is unknown to this program, which reads version %2.</source>
        <translation>La version de format %1 de la sauvegarde est inconnue de ce programme, qui lit la version %2.</translation>
    </message>
    <message>
        <source>The backup is damaged: it names no model.</source>
        <translation>La sauvegarde est endommagée : elle ne nomme aucun modèle.</translation>
    </message>
    <message>
        <source>The backup names the protocol &quot;%1&quot;, which this program does not know.</source>
        <translation>La sauvegarde nomme le protocole « %1 », que ce programme ne connaît pas.</translation>
    </message>
    <message>
        <source>The backup is damaged: it holds no list of settings.</source>
        <translation>La sauvegarde est endommagée : elle ne contient aucune liste de réglages.</translation>
    </message>
    <message>
        <source>The backup is damaged: a setting has no name.</source>
        <translation>La sauvegarde est endommagée : un réglage n&apos;a pas de nom.</translation>
    </message>
    <message>
        <source>The backup holds &quot;%1&quot;, a setting %2 amplifiers do not have.</source>
        <translation>La sauvegarde contient « %1 », un réglage que les amplificateurs %2 n&apos;ont pas.</translation>
    </message>
    <message>
        <source>The backup is damaged: it holds &quot;%1&quot; twice.</source>
        <translation>La sauvegarde est endommagée : elle contient « %1 » deux fois.</translation>
    </message>
    <message>
        <source>The backup is damaged: it puts &quot;%1&quot; at %2, where this program knows it at %3.</source>
        <translation>La sauvegarde est endommagée : elle place « %1 » en %2, alors que ce programme le connaît en %3.</translation>
    </message>
    <message>
        <source>The backup is damaged: the value of &quot;%1&quot; is not a whole number from 0 to 4294967295.</source>
        <translation>La sauvegarde est endommagée : la valeur de « %1 » n&apos;est pas un nombre entier de 0 à 4294967295.</translation>
    </message>
    <message>
        <source>The backup is incomplete: it lacks &quot;%1&quot; (%2).</source>
        <translation>La sauvegarde est incomplète : il y manque « %1 » (%2).</translation>
    </message>
    <message>
        <source>The file cannot be read: %1.</source>
        <translation>Le fichier ne peut pas être lu : %1.</translation>
    </message>
    <message>
        <source>The file is not an amplifier backup (%1 bytes; a backup is a few kilobytes).</source>
        <translation>Le fichier n&apos;est pas une sauvegarde d&apos;amplificateur (%1 octets ; une sauvegarde fait quelques kilo-octets).</translation>
    </message>
    <message>
        <source>A device configuration file holds CANopen entries; %1 amplifiers have none.</source>
        <translation>Un fichier de configuration d&apos;appareil contient des entrées CANopen ; les amplificateurs %1 n&apos;en ont pas.</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2.</source>
        <translation>%1 ne peut pas être écrit : %2.</translation>
    </message>
    <message>
        <source>%1 could not be written whole: %2.</source>
        <translation>%1 n&apos;a pas pu être écrit en entier : %2.</translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>(aucune)</translation>
    </message>
    <message>
        <source>The backup is of a %1 amplifier and this one is %2: a backup goes only into an amplifier of the same model and protocol.</source>
        <translation>La sauvegarde vient d&apos;un amplificateur %1 et celui-ci est %2 : une sauvegarde ne va que dans un amplificateur de même modèle et de même protocole.</translation>
    </message>
    <message>
        <source>The backup is of the model %1 and this amplifier is %2: a backup goes only into an amplifier of the same model and protocol.</source>
        <translation>La sauvegarde est du modèle %1 et cet amplificateur est %2 : une sauvegarde ne va que dans un amplificateur de même modèle et de même protocole.</translation>
    </message>
    <message>
        <source>The backup holds &quot;%1&quot;, a setting this amplifier does not have.</source>
        <translation>La sauvegarde contient « %1 », un réglage que cet amplificateur n&apos;a pas.</translation>
    </message>
    <message>
        <source>%1 = %2 is outside what the amplifier takes (%3 to %4).</source>
        <translation>%1 = %2 est hors de ce que l&apos;amplificateur accepte (%3 à %4).</translation>
    </message>
    <message>
        <source>The backup lacks &quot;%1&quot; (%2).</source>
        <translation>Il manque « %1 » (%2) à la sauvegarde.</translation>
    </message>
    <message>
        <source>; nothing was written.</source>
        <translation> ; rien n&apos;a été écrit.</translation>
    </message>
    <message>
        <source>Restore refused: %1 Nothing was written.</source>
        <translation>Restauration refusée : %1 Rien n&apos;a été écrit.</translation>
    </message>
    <message>
        <source>Restore aborted: the amplifier could not be read first: %1%2</source>
        <translation>Restauration abandonnée : l&apos;amplificateur n&apos;a pas pu être lu d&apos;abord : %1%2</translation>
    </message>
    <message>
        <source>Dry run: the amplifier already holds every value of the backup.</source>
        <translation>Essai à blanc : l&apos;amplificateur contient déjà toutes les valeurs de la sauvegarde.</translation>
    </message>
    <message>
        <source>Dry run: %1 value(s) would be written; nothing was written.</source>
        <translation>Essai à blanc : %1 valeur(s) seraient écrites ; rien n&apos;a été écrit.</translation>
    </message>
    <message>
        <source>The amplifier already holds every value of the backup; nothing was written.</source>
        <translation>L&apos;amplificateur contient déjà toutes les valeurs de la sauvegarde ; rien n&apos;a été écrit.</translation>
    </message>
    <message>
        <source>Restore stopped before the first write; nothing was written.</source>
        <translation>Restauration arrêtée avant la première écriture ; rien n&apos;a été écrit.</translation>
    </message>
    <message>
        <source>Restore aborted: no safety copy could be made first (%1)%2</source>
        <translation>Restauration abandonnée : aucune copie de sécurité n&apos;a pu être faite d&apos;abord (%1)%2</translation>
    </message>
    <message>
        <source>stopped by the user</source>
        <translation>arrêtée par l&apos;utilisateur</translation>
    </message>
    <message>
        <source>the previous values were</source>
        <translation>les valeurs précédentes ont été</translation>
    </message>
    <message>
        <source>Restore stopped: %1</source>
        <translation>Restauration arrêtée : %1</translation>
    </message>
    <message>
        <source>Restore failed: %1</source>
        <translation>Restauration échouée : %1</translation>
    </message>
    <message>
        <source>Restore written and each write confirmed, but the final read-back failed: %1.</source>
        <translation>Restauration écrite et chaque écriture confirmée, mais la relecture finale a échoué : %1.</translation>
    </message>
    <message>
        <source>Restore written, but the amplifier reads back otherwise than the file (amplifier -&gt; file): %1.</source>
        <translation>Restauration écrite, mais l&apos;amplificateur relit autre chose que le fichier (amplificateur -&gt; fichier) : %1.</translation>
    </message>
    <message>
        <source>Restored: %1 value(s) written, and every value reads back as in the file.</source>
        <translation>Restauré : %1 valeur(s) écrite(s), et chaque valeur se relit comme dans le fichier.</translation>
    </message>
    <message>
        <source>the folder %1 cannot be made</source>
        <translation>le dossier %1 ne peut pas être créé</translation>
    </message>
    <message>
        <source>the amplifier could not be read: %1</source>
        <translation>l&apos;amplificateur n&apos;a pas pu être lu : %1</translation>
    </message>
</context>
<context>
    <name>checkstats</name>
    <message>
        <source>No value given.</source>
        <translation>Aucune valeur donnée.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a number of grams (such as 2) or a percentage (such as 0.1%).</source>
        <translation>« %1 » n&apos;est ni un nombre de grammes (comme 2) ni un pourcentage (comme 0.1%).</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is negative.</source>
        <translation>« %1 » est négatif.</translation>
    </message>
    <message>
        <source>No test loads given.</source>
        <translation>Aucune charge d&apos;essai donnée.</translation>
    </message>
    <message>
        <source>Test load %1 is empty.</source>
        <translation>La charge d&apos;essai %1 est vide.</translation>
    </message>
    <message>
        <source>Test load &quot;%1&quot; is not a number of grams.</source>
        <translation>La charge d&apos;essai « %1 » n&apos;est pas un nombre de grammes.</translation>
    </message>
    <message>
        <source>Test load %1 g is negative.</source>
        <translation>La charge d&apos;essai %1 g est négative.</translation>
    </message>
    <message>
        <source>At least %1 test loads are needed, from near zero to near the maximum; %2 given.</source>
        <translation>Il faut au moins %1 charges d&apos;essai, de près de zéro à près du maximum ; %2 données.</translation>
    </message>
    <message>
        <source>Test loads must rise: %1 g comes after %2 g.</source>
        <translation>Les charges d&apos;essai doivent croître : %1 g vient après %2 g.</translation>
    </message>
</context>
<context>
    <name>frames</name>
    <message>
        <source>read</source>
        <translation>lecture</translation>
    </message>
    <message>
        <source>write</source>
        <translation>écriture</translation>
    </message>
    <message>
        <source>exception</source>
        <translation>exception</translation>
    </message>
    <message>
        <source>abort</source>
        <translation>abandon</translation>
    </message>
    <message>
        <source>upload</source>
        <translation>lecture SDO (upload)</translation>
    </message>
    <message>
        <source>download</source>
        <translation>écriture SDO (download)</translation>
    </message>
    <message>
        <source>upload, segmented</source>
        <translation>lecture SDO (upload), segmentée</translation>
    </message>
    <message>
        <source>download acknowledged</source>
        <translation>écriture SDO (download) confirmée</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>ok</translation>
    </message>
    <message>
        <source>time-out</source>
        <translation>délai dépassé</translation>
    </message>
    <message>
        <source>bad CRC</source>
        <translation>CRC faux</translation>
    </message>
    <message>
        <source>other id</source>
        <translation>autre id</translation>
    </message>
    <message>
        <source>refused</source>
        <translation>refusée</translation>
    </message>
    <message>
        <source>late</source>
        <translation>tardive</translation>
    </message>
    <message>
        <source>duplicate</source>
        <translation>doublon</translation>
    </message>
    <message>
        <source>garbage</source>
        <translation>illisible</translation>
    </message>
    <message>
        <source>incomplete</source>
        <translation>incomplète</translation>
    </message>
    <message>
        <source>unsupported</source>
        <translation>non prise en charge</translation>
    </message>
    <message>
        <source>refused, code 0x%1</source>
        <translation>refusée, code 0x%1</translation>
    </message>
    <message>
        <source>answer from id %1</source>
        <translation>réponse de l&apos;id %1</translation>
    </message>
    <message>
        <source>%1 late bytes discarded</source>
        <translation>%1 octets en retard écartés</translation>
    </message>
    <message>
        <source>%1 bytes of a second answer discarded</source>
        <translation>%1 octets d&apos;une seconde réponse écartés</translation>
    </message>
</context>
<context>
    <name>writetx</name>
    <message>
        <source>the read-back failed: %1</source>
        <translation>la relecture a échoué : %1</translation>
    </message>
    <message>
        <source>read back %1 instead of %2</source>
        <translation>relu %1 au lieu de %2</translation>
    </message>
    <message>
        <source>%1 = unknown (%2)</source>
        <translation>%1 = inconnu (%2)</translation>
    </message>
    <message>
        <source>%1 = %2 (was %3)</source>
        <translation>%1 = %2 (était %3)</translation>
    </message>
    <message>
        <source>%1 could not be read first (%2); nothing was written.</source>
        <translation>%1 n&apos;a pas pu être lu d&apos;abord (%2) ; rien n&apos;a été écrit.</translation>
    </message>
    <message>
        <source>refused at %1 (%2)</source>
        <translation>refusé à %1 (%2)</translation>
    </message>
    <message>
        <source>failed at %1 (%2)</source>
        <translation>échec à %1 (%2)</translation>
    </message>
    <message>
        <source>%1; writing back the previous values failed, the amplifier now holds: %2; everything else as before.</source>
        <translation>%1 ; la réécriture des valeurs précédentes a échoué, l&apos;amplificateur contient maintenant : %2 ; tout le reste comme avant.</translation>
    </message>
    <message>
        <source>%1; nothing was changed (read back).</source>
        <translation>%1 ; rien n&apos;a été changé (relu).</translation>
    </message>
    <message>
        <source>%1; %2 written back and read back.</source>
        <translation>%1 ; %2 réécrites et relues.</translation>
    </message>
</context>
<context>
    <name>rawaccess</name>
    <message>
        <source>Read of register 0x%1 failed: %2.</source>
        <translation>La lecture du registre 0x%1 a échoué : %2.</translation>
    </message>
    <message>
        <source>Write to register 0x%1 not confirmed: %2; %3</source>
        <translation>Écriture du registre 0x%1 non confirmée : %2 ; %3</translation>
    </message>
    <message>
        <source>it holds %1.</source>
        <translation>il contient %1.</translation>
    </message>
    <message>
        <source>what it holds is unknown (%1)</source>
        <translation>son contenu est inconnu (%1)</translation>
    </message>
    <message>
        <source>Write to register 0x%1 confirmed, but the read-back failed: %2</source>
        <translation>Écriture du registre 0x%1 confirmée, mais la relecture a échoué : %2</translation>
    </message>
    <message>
        <source>Write to register 0x%1 confirmed, but it reads back %2, not %3.</source>
        <translation>Écriture du registre 0x%1 confirmée, mais il se relit %2, et non %3.</translation>
    </message>
    <message>
        <source>The CAN adapter is not open.</source>
        <translation>L&apos;adaptateur CAN n&apos;est pas ouvert.</translation>
    </message>
    <message>
        <source>Read of entry %1 failed: %2.</source>
        <translation>La lecture de l&apos;entrée %1 a échoué : %2.</translation>
    </message>
    <message>
        <source>Entry %1 holds %2 bytes: %3 does not fit; nothing was written.</source>
        <translation>L&apos;entrée %1 contient %2 octets : %3 n&apos;y tient pas ; rien n&apos;a été écrit.</translation>
    </message>
    <message>
        <source>Write to entry %1 not confirmed: %2; %3</source>
        <translation>Écriture de l&apos;entrée %1 non confirmée : %2 ; %3</translation>
    </message>
    <message>
        <source>Write to entry %1 confirmed, but the read-back failed: %2</source>
        <translation>Écriture de l&apos;entrée %1 confirmée, mais la relecture a échoué : %2</translation>
    </message>
    <message>
        <source>Write to entry %1 confirmed, but it reads back %2, not %3.</source>
        <translation>Écriture de l&apos;entrée %1 confirmée, mais elle se relit %2, et non %3.</translation>
    </message>
    <message>
        <source>This amplifier offers no raw register access.</source>
        <translation>Cet amplificateur n&apos;offre pas d&apos;accès brut aux registres.</translation>
    </message>
</context>
</TS>
